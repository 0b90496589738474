--  A package specification: a few plain shapes and their areas.
package Shapes is
   type Shape is abstract tagged null record;
   function Area (S : Shape) return Float is abstract;

   type Circle is new Shape with record
      Radius : Float := 1.0;
   end record;
   function Area (C : Circle) return Float;

   type Square is new Shape with record
      Side : Float := 1.0;
   end record;
   function Area (S : Square) return Float;
end Shapes;
