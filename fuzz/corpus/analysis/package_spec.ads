with Ada.Strings.Unbounded; use Ada.Strings.Unbounded;
package Stacks is
   type Stack is private;
   procedure Push (S : in out Stack; X : Integer);
   function "+" (L, R : Stack) return Stack;
private
   type Stack is record Top : Natural := 0; end record;
end Stacks;
