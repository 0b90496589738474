package body Shapes.Scaled is
   function Scale (C : Circle; Factor : Float) return Circle is
   begin
      return (Radius => C.Radius * Factor);
   end Scale;
end Shapes.Scaled;
