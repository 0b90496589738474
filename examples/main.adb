--  The main procedure.
with Ada.Text_IO;
with Shapes.Scaled;
with Float_Stacks;
procedure Main is
   C : constant Shapes.Circle := Shapes.Scaled.Scale ((Radius => 1.0), 2.0);
begin
   Float_Stacks.Push (C.Area);
   Ada.Text_IO.Put_Line (Float'Image (Float_Stacks.Pop));
end Main;
