separate (Stacks.Inner)
procedure Stub is
   X : constant String := "a ""quoted"" text" & 'x' & Character'Val (16#7F#);
begin
   <<Again>> X := 2#1010_1010#E2 + 1.5E-3;
   goto Again;
end Stub;
