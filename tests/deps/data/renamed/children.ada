--  Child and private units, generic children, an instance, a renaming, a
--  subprogram body without a spec and subunits of every kind, in one file.
package Fleet is
   procedure Launch;
end Fleet;

private package Fleet.Secret is
   Code : constant Integer := 7;
end Fleet.Secret;

with Fleet.Secret;
package body Fleet is
   task Pilot;
   protected Dock is
      procedure Berth;
   end Dock;
   task body Pilot is separate;
   protected body Dock is separate;
   procedure Launch is separate;
end Fleet;

separate (Fleet)
task body Pilot is
begin
   null;
end Pilot;

separate (Fleet)
protected body Dock is
   procedure Berth is
   begin
      null;
   end Berth;
end Dock;

separate (Fleet)
procedure Launch is
begin
   Dock.Berth;
end Launch;

generic
   type Cargo is private;
package Fleet.Holds is
   procedure Load (Item : Cargo);
end Fleet.Holds;

package body Fleet.Holds is
   procedure Load (Item : Cargo) is separate;
end Fleet.Holds;

separate (Fleet.Holds)
procedure Load (Item : Cargo) is
begin
   null;
end Load;

generic
package Fleet.Holds.Sealed is
end Fleet.Holds.Sealed;

with Fleet.Holds;
package Fleet.Int_Holds is new Fleet.Holds (Integer);

function Fleet_Size return Natural is
begin
   return 3;
end Fleet_Size;

with Fleet.Int_Holds, Fleet_Size;
procedure Fleet.Drill is
begin
   Fleet.Int_Holds.Load (Fleet_Size);
end Fleet.Drill;

private package Fleet.Secret.Deeper is
end Fleet.Secret.Deeper;

with Fleet;
package Fleet_Alias renames Fleet;
