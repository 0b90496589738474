--  Generic units, their generic children and instances of them.
generic
   type Item is private;
package Lists is
   procedure Add (X : Item);
end Lists;

package body Lists is
   procedure Add (X : Item) is
   begin
      null;
   end Add;
end Lists;

with Counters;
generic
package Lists.Sorted is
end Lists.Sorted;

package Counters is
end Counters;

with Lists;
package Int_Lists is new Lists (Integer);

with Lists.Sorted, Int_Lists;
package Sorted_Ints is new Int_Lists.Sorted;

with Sorted_Ints;
procedure Use_Lists is
begin
   null;
end Use_Lists;

generic
   type T is private;
procedure Swap (A, B : in out T);

with Counters;
procedure Swap (A, B : in out T) is
   C : constant T := A;
begin
   A := B;
   B := C;
end Swap;

with Swap;
procedure Swap_Ints is new Swap (Integer);
