# Speedbricks by kind and in all, and their rings on the right-hand axis, over ticks.
# Called by chart.sh as: gnuplot -c chart.gp STATS.csv OUT.png
set terminal pngcairo size 1200,700 font "sans,11"
set output ARG2
set datafile separator ","
# The first line holds the column names.
set datafile columnheaders
set title "Aquarium population over time"
set xlabel "tick"
set ylabel "speedbricks"
set y2label "rings"
set ytics nomirror
set y2tics
set yrange [0:*]
set y2range [0:*]
set key top left
set grid
# Columns: tick,speedbricks,normal,gentil,aga,male,female,undecided,rings,cutits,...
plot ARG1 using 1:2 with lines lw 2 lc rgb "black" title "speedbricks", \
     ''   using 1:3 with lines lw 1.5 lc rgb "#1f77b4" title "normal", \
     ''   using 1:4 with lines lw 1.5 lc rgb "#2ca02c" title "gentil", \
     ''   using 1:5 with lines lw 1.5 lc rgb "#d62728" title "aga", \
     ''   using 1:9 axes x1y2 with lines lw 1 dt 2 lc rgb "#9467bd" title "rings (right axis)"
