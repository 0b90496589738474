with Ada.Containers.Ordered_Maps;
procedure Q1 is
   package M is new Ada.Containers.Ordered_Maps (Integer, Integer);
   Map : M.Map := [1 => 10, 2 => 20];
   Map2 : M.Map := [for K in 1 .. 3 use K => K * 2];
   type Arr is array (Positive range <>) of Integer with Pack;
   type Small is new Integer range 1 .. 10 with Size => 8;
   generic
      with package P is new Ada.Containers.Ordered_Maps (Key_Type => Integer, others => <>);
      type T (<>) is abstract tagged limited private;
      type D is delta <> digits <>;
      type I is limited interface and Ada.Containers.Ordered_Maps.Some_Interface;
      with function F return Integer is abstract <>;
   procedure Gen;
   procedure Gen is begin null; end Gen;
   protected type Lock is
      entry Seize;
      procedure Release;
   private
      Held : Boolean := False;
   end Lock;
   protected body Lock is
      entry Seize when not Held is begin Held := True; end Seize;
      procedure Release is begin Held := False; end Release;
   end Lock;
   task type W is
      entry Start (1 .. 3) (X : Integer);
   end W;
   task body W is
   begin
      select
         accept Start (1) (X : Integer) do null; end Start;
      or
         delay 1.0;
      end select;
   end W;
   X : Integer := 0;
begin
   for C in Map.Iterate loop
      X := @ + M.Element (C);
   end loop;
   for E of reverse Arr'(1, 2, 3) loop null; end loop;
   X := (case X is when 1 | 2 => 3, when others => (if X > 0 then 1 else raise Constraint_Error));
   if X in 1 .. 3 | 5 and then X not in 4 then
      X := Integer'Max (X, 2) ** 2 mod 7 - abs X;
   end if;
   <<L>> null;
   goto L;
exception
   pragma Warnings (Off);
   when E : Constraint_Error | Program_Error =>
      raise;
   when others => null;
end Q1;
