package P is begin end;
procedure Q is begin requeue := 1; end Q;
function "and" (A, B : T) return T;
package R is procedure S is abstract; end R;
