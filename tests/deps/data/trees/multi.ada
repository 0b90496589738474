--  Several compilation units in one file: each has its own context clause,
--  and a unit without one withs nothing of the unit before it.
package Alpha is
end Alpha;

with Alpha;
package Beta is
end Beta;

package Gamma is
end Gamma;

with Beta, Gamma;
with Alpha;
use Alpha;
pragma Elaborate_All (Beta);
procedure Delta_Main;

with Gamma;
procedure Delta_Main is
begin
   null;
end Delta_Main;

with Delta_Main;
function Epsilon return Integer;

function Epsilon return Integer is
begin
   return 0;
end Epsilon;

with Epsilon;
procedure Zeta is
begin
   null;
end Zeta;

with Beta, Gamma;
package Alpha.Child renames Gamma;
