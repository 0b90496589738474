--  Subunits of subunits: a body's withs include those of every subunit
--  below it, however deep, and a subunit of a child unit.
package Shell is
   procedure Run;
   package Inner is
      procedure Deep;
   end Inner;
end Shell;

with Parts;
package body Shell is
   procedure Run is separate;
   package body Inner is separate;
end Shell;

with Parts.Gears;
separate (Shell)
procedure Run is
   procedure Step is separate;
begin
   Step;
end Run;

with Tools;
separate (Shell.Run)
procedure Step is
   procedure Deeper is separate;
begin
   Deeper;
end Step;

with Tools.Saw, Parts;
separate (Shell.Run.Step)
procedure Deeper is
begin
   null;
end Deeper;

with Tools;
separate (Shell)
package body Inner is
   procedure Deep is separate;
end Inner;

with Parts.Bolts;
separate (Shell.Inner)
procedure Deep is
begin
   null;
end Deep;

package Parts is
end Parts;

package Parts.Gears is
end Parts.Gears;

package Parts.Bolts is
end Parts.Bolts;

package Tools is
end Tools;

package Tools.Saw is
end Tools.Saw;

package Tools.Saw.Blade is
   procedure Cut;
end Tools.Saw.Blade;

with Shell;
package body Tools.Saw.Blade is
   procedure Cut is separate;
end Tools.Saw.Blade;

with Parts.Gears;
separate (Tools.Saw.Blade)
procedure Cut is
begin
   null;
end Cut;
