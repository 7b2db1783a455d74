# Shared by the bench/compare-*.sh scripts (sourced, not run).

# The median of the numbers on standard input, one per line.
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
