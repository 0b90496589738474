procedure Tasks is
   task type Worker (N : Natural) is entry Start; entry Stop; end Worker;
   protected type Lock is entry Seize; procedure Release; private Held : Boolean := False; end Lock;
   protected body Lock is
      entry Seize when not Held is begin Held := True; end Seize;
      procedure Release is begin Held := False; end Release;
   end Lock;
   task body Worker is
   begin
      select accept Start do null; end Start; or delay 1.0; or terminate; end select;
      requeue Stop with abort;
   end Worker;
begin
   declare A : array (1 .. 3) of Integer := (others => 0); begin null; end;
exception when others => null;
end Tasks;
