--  A unit named in Latin-1.
package Café is
   Price : constant Integer := 2;
end Café;
