--  A subunit: the body of Shapes.Report, separate from its parent.
with Ada.Text_IO;
separate (Shapes)
procedure Report (S : Shape'Class) is
begin
   Ada.Text_IO.Put_Line ("area:" & Float'Image (Area (S)));
end Report;
