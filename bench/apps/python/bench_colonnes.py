"""Times speedbricks() + rings() on a saved world and weighs what they hold.

    scripts/python bench/apps/python/bench_colonnes.py CHECKPOINT

numpy reports its arrays' memory to tracemalloc: what the two calls leave allocated, and their
peak, against the arrays' own bytes.
"""

import sys
import time
import tracemalloc

import aquarium

with aquarium.World.load(sys.argv[1], quiet=True) as w:
    print(f"tick {w.tick}: {w.census()['speedbricks']} speedbricks")
    w.speedbricks(), w.rings()  # numpy imported, the world in the caches
    times = []
    for _ in range(50):
        start = time.perf_counter()
        s, r = w.speedbricks(), w.rings()
        times.append(time.perf_counter() - start)
        del s, r
    times.sort()
    print("speedbricks() + rings(): min {:.2f} ms, median {:.2f} ms, max {:.2f} ms".format(
        times[0] * 1e3, times[len(times) // 2] * 1e3, times[-1] * 1e3))
    tracemalloc.start()
    s, r = w.speedbricks(), w.rings()
    held, peak = tracemalloc.get_traced_memory()
    arrays = sum(a.nbytes for columns in (s, r) for a in columns.values())
    print(f"{len(r['owner'])} rings; arrays {arrays / 1e6:.2f} MB, "
          f"held {held / 1e6:.2f} MB, peak {peak / 1e6:.2f} MB")
