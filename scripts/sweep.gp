# A sweep's chart: per group of settings, speedbricks over ticks across seeds (median line,
# 10-90 % band, log scale), and the fraction of its runs that have reached 1,000 speedbricks.
# Called by scripts/sweep as: gnuplot -c sweep.gp CURVES_DIR "GROUP GROUP..." OUT.png
set terminal pngcairo size 1200,1000 font "sans,11" noenhanced
set output ARG3
set datafile separator ","
groupes = ARG2
n = words(groupes)
courbe(i) = ARG1."/".word(groupes, i).".csv"
explosions(i) = ARG1."/".word(groupes, i).".explosions.csv"
stats courbe(1) using 1 nooutput
dernier = STATS_max
# The fraction of runs each group ends with, for its title.
array fin[n]
plafond = 0
do for [i=1:n] {
    stats explosions(i) using 2 nooutput
    fin[i] = STATS_max
    plafond = fin[i] > plafond ? fin[i] : plafond
}

set multiplot layout 2,1
set lmargin 10
set grid
set key top left
set xrange [0:dernier]
set xlabel "tick"

set title "Speedbricks across seeds: median and 10-90 % band"
set ylabel "speedbricks"
set logscale y
set yrange [1:*]
plot for [i=1:n] courbe(i) using 1:($2 < 1 ? 1 : $2):($4 < 1 ? 1 : $4) \
         with filledcurves fs transparent solid 0.2 noborder lc i notitle, \
     for [i=1:n] courbe(i) using 1:($3 < 1 ? 1 : $3) with lines lw 2 lc i title word(groupes, i)

set title "Runs that have reached 1,000 speedbricks"
set ylabel "fraction of runs"
unset logscale y
if (plafond > 0) { set yrange [0:*] } else { set yrange [0:1] }
plot for [i=1:n] explosions(i) using 1:2 with steps lw 2 lc i \
         title sprintf("%s: %.0f %%", word(groupes, i), 100 * fin[i])
unset multiplot
