generic
   type Element is private;
   with function "<" (L, R : Element) return Boolean is <>;
package Sorting.Generic_Sort is
   procedure Sort (A : in out Element);
end Sorting.Generic_Sort;
with Sorting.Generic_Sort;
package Sorting.Int_Sort is new Sorting.Generic_Sort (Integer);
procedure Main renames Sorting.Run;
