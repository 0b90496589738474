package body Stacks is
   procedure Push (S : in out Stack; X : Integer) is
   begin
      if S.Top < 10 then S.Top := S.Top + 1; elsif X = 0 then null; else raise Constraint_Error; end if;
      for I in 1 .. 10 loop exit when I > X; end loop;
      case X is when 0 => null; when others => null; end case;
   end Push;
   function "+" (L, R : Stack) return Stack is (L);
   procedure Stub is separate;
end Stacks;
