--  limited and private withs, alone and together, on child units: GNAT
--  lists a limited with and its ancestors on "Y" lines, the rest on "W".
package Root is
end Root;

package Root.Leaf is
   type Node is null record;
end Root.Leaf;

package Other is
end Other;

package Other.Side is
end Other.Side;

limited with Root.Leaf;
private with Other.Side;
package Hub is
   type Ref is access Integer;
   procedure Touch;
end Hub;

limited private with Hub;
with Root;
package Root.Branch is
end Root.Branch;

private with Root.Branch;
package body Hub is
   procedure Touch is
   begin
      null;
   end Touch;
end Hub;
