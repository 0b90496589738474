--  The body of Shapes; Report is compiled on its own, as a subunit.
package body Shapes is
   Pi : constant := 3.14159_26535;

   function Area (C : Circle) return Float is
   begin
      return Pi * C.Radius ** 2;
   end Area;

   function Area (S : Square) return Float is
   begin
      return S.Side * S.Side;
   end Area;

   procedure Report (S : Shape'Class) is separate;
end Shapes;
