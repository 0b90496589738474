--  A child unit of Shapes.
package Shapes.Scaled is
   function Scale (C : Circle; Factor : Float) return Circle;
end Shapes.Scaled;
