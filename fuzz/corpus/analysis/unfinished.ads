package A is
