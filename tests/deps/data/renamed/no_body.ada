--  Stands for the body of a unit that needs none.
pragma No_Body;
