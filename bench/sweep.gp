# Time and peak memory against input size, log-log, one line per program:
# the columns of DATA after the size are each program's seconds and MiB, in
# the order of NAMES.
#   gnuplot -e "data='sweep.dat'; out='sweep.svg'; array names[2] = [\"a\", \"b\"]" sweep.gp
set terminal svg size 960,420 dynamic noenhanced font "sans,12" background "white"
set output out
set multiplot layout 1,2
set logscale xy
set grid
set key top left
set xrange [500:2e8]
set xtics ("1 KB" 1e3, "10 KB" 1e4, "100 KB" 1e5, "1 MB" 1e6, "10 MB" 1e7, "100 MB" 1e8)
set xlabel "input size"
set title "Wall time"
set ylabel "seconds"
plot for [i=1:|names|] data using 1:(column(2 * i)) with linespoints title names[i]
set title "Peak memory"
set ylabel "MiB"
plot for [i=1:|names|] data using 1:(column(2 * i + 1)) with linespoints title names[i]
unset multiplot
