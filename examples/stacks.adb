package body Stacks is
   Items : array (1 .. Capacity) of Element;
   Top   : Natural := 0;

   procedure Push (E : Element) is
   begin
      Top := Top + 1;
      Items (Top) := E;
   end Push;

   function Pop return Element is
   begin
      Top := Top - 1;
      return Items (Top + 1);
   end Pop;

   function Is_Empty return Boolean is
   begin
      return Top = 0;
   end Is_Empty;
end Stacks;
