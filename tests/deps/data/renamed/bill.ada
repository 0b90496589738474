with Café;
function Bill return Integer is
begin
   return Café.Price;
end Bill;
