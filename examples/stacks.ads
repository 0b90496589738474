--  A generic package: a bounded stack of any element type.
generic
   type Element is private;
   Capacity : Positive := 16;
package Stacks is
   procedure Push (E : Element);
   function Pop return Element;
   function Is_Empty return Boolean;
end Stacks;
