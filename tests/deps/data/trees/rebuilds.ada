--  A tree for rebuilds after an edit: child and private child units,
--  private and limited withs, subunits of subunits, generics with
--  subunits whose bodies instantiate other generics, a generic renaming,
--  instances at library level and inside bodies.
package Base is
   type Count is range 0 .. 100;
end Base;

package Base.Child is
   X : Count := 1;
end Base.Child;

private package Base.Secret is
   Y : Integer := 2;
end Base.Secret;

with Base.Child;
private with Base.Secret;
package Base.Public is
   function Get return Integer;
private
   Z : Integer := Base.Secret.Y;
end Base.Public;

package body Base.Public is
   function Get return Integer is separate;
end Base.Public;

with Helper;
separate (Base.Public)
function Get return Integer is
   function Inner return Integer is separate;
begin
   return Inner + Helper.H;
end Get;

with Deep;
separate (Base.Public.Get)
function Inner return Integer is
begin
   return Deep.D + Z;
end Inner;

package Helper is
   H : Integer := 3;
end Helper;

package Deep is
   D : Integer := 4;
end Deep;

package Rb_Tools is
   T : Integer := 5;
end Rb_Tools;

package Rb_Tools2 is
   T2 : Integer := 6;
end Rb_Tools2;

package Helper2 is
   H2 : Integer := 7;
end Helper2;

generic
   type T is private;
procedure Swap_G (A, B : in out T);

with Helper2;
procedure Swap_G (A, B : in out T) is
   C : constant T := A;
begin
   A := B;
   B := C;
   Helper2.H2 := Helper2.H2 + 1;
end Swap_G;

with Rb_Tools;
generic
   type T is private;
package Stacks is
   procedure Push (X : T);
   Last : Integer := Rb_Tools.T;
end Stacks;

with Swap_G;
package body Stacks is
   procedure Swap is new Swap_G (T);
   procedure Push (X : T) is separate;
end Stacks;

with Rb_Tools2;
separate (Stacks)
procedure Push (X : T) is
   A : T := X;
   B : T := X;
begin
   Swap (A, B);
   Last := Rb_Tools2.T2;
end Push;

with Stacks;
generic package Stacks_Again renames Stacks;

with Stacks;
package Int_Stacks is new Stacks (Integer);

with Stacks_Again;
package Float_Stacks is new Stacks_Again (Float);

package User is
   procedure Run;
end User;

with Stacks;
package body User is
   package S is new Stacks (Boolean);
   procedure Run is
   begin
      S.Push (True);
   end Run;
end User;

package Plain_Client is
   procedure Call;
end Plain_Client;

with Int_Stacks;
package body Plain_Client is
   procedure Call is
   begin
      Int_Stacks.Push (1);
   end Call;
end Plain_Client;

limited with Ring_B;
package Ring_A is
   type R is null record;
   procedure P (X : access Ring_B.T);
end Ring_A;

with Ring_B;
package body Ring_A is
   procedure P (X : access Ring_B.T) is
   begin
      null;
   end P;
end Ring_A;

with Ring_A;
package Ring_B is
   type T is null record;
   V : Ring_A.R;
end Ring_B;

with Base.Public, User, Float_Stacks, Plain_Client, Ring_A;
procedure Main is
begin
   User.Run;
   Plain_Client.Call;
end Main;
