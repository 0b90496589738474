--  A library-level instance of the generic Stacks.
with Stacks;
package Float_Stacks is new Stacks (Element => Float, Capacity => 32);
