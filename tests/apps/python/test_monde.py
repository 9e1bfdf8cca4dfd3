"""The module against the real aquarium-batch: the same runs, files, arrays and words."""

import gc
import json
import os
import signal
import subprocess

import aquarium
import numpy as np
import pandas as pd
import pytest

BATCH = os.environ["AQUARIUM_BATCH"]


def batch(*args, check=True):
    return subprocess.run([BATCH, *map(str, args)], capture_output=True, check=check)


def words(world):
    """World's keywords as aquarium-batch's options."""
    args = []
    for name, value in world.items():
        text = ",".join(map(str, value)) if isinstance(value, tuple) else str(value)
        args += ["--" + name.replace("_", "-"), text]
    return args


OTHER = dict(seed=5, founders=24, shoals=4, tank=(600, 300, 600), lifespan=25, time_unit=100,
             sterility=40, shoal_size=6)


@pytest.mark.parametrize("world, ticks, bound", [
    (dict(seed=1), 3000, None),
    (OTHER, 4000, 400),  # stopped by its bound at tick 2456
], ids=["seed 1", "other world, bound"])
def test_run_is_the_batch_run(tmp_path, world, ticks, bound):
    limit = [] if bound is None else ["--max-speedbricks", bound]
    run = batch(*words(world), "--ticks", ticks, *limit, "--stats", tmp_path / "b.csv",
                "--state", tmp_path / "b.jsonl", "--state-every", 1000)
    batch(*words(world), "--ticks", ticks, *limit, "--quiet", "--state", tmp_path / "b.h5",
          "--state-every", 1000)
    traces = [aquarium.read_trace(tmp_path / name) for name in ("b.jsonl", "b.h5")]
    # A checkpoint records where the run's outputs stood: a run with none saves what Python does.
    batch(*words(world), "--ticks", ticks, *limit, "--quiet", "--checkpoint", tmp_path / "b.ckpt")
    rows = [r for r in (tmp_path / "b.csv").read_text().splitlines() if not r.startswith("#")]

    # Tick by tick, the census is the statistics file, and a dumped tick's rows both traces'.
    with aquarium.World(**world) as w:
        got = [",".join(w.census())]
        last = int(rows[-1].split(",")[0])
        assert_rows_are_the_traces(w, traces)
        while w.tick < last:
            w.step()
            got.append(",".join(map(str, w.census().values())))
            assert_rows_are_the_traces(w, traces)
    assert got == rows
    assert all(list(t.ticks) == [*range(0, last, 1000), last] for t in traces)

    # In one go, the report, the checkpoint and the state.
    with aquarium.World(**world) as w:
        assert w.run(ticks, max_speedbricks=bound) == ("ticks" if bound is None else "bound")
        assert w.tick == last
        assert w.take_report() == run.stdout
        assert w.take_report() == b""
        w.save(tmp_path / "p.ckpt")
        state = w.state_hash()
    assert (tmp_path / "p.ckpt").read_bytes() == (tmp_path / "b.ckpt").read_bytes()
    with aquarium.World.load(tmp_path / "b.ckpt") as w:
        assert w.state_hash() == state
        assert {name: w.settings[name] for name in world} == world


def assert_rows_are_the_traces(w, traces):
    """At a dumped tick, every column of every table of each trace is the world's, and so is
    every frame; the trace's frame of all ticks holds this tick's rows."""
    for trace in traces:
        if w.tick not in trace.ticks:
            continue
        for table in aquarium.TABLES:
            got, expected = getattr(trace, table)(w.tick), getattr(w, table)()
            assert got.keys() == expected.keys()
            for name, values in expected.items():
                assert got[name].dtype == values.dtype, name
                np.testing.assert_array_equal(got[name], values, err_msg=name)
            frame = w.frame(table)
            pd.testing.assert_frame_equal(trace.frame(table, w.tick), frame)
            every = trace.frame(table)
            pd.testing.assert_frame_equal(
                every[every.tick == w.tick].reset_index(drop=True), frame)


def test_checkpoints_cross_both_ways(tmp_path):
    whole = batch("--seed", 3, "--ticks", 2400, "--checkpoint", tmp_path / "whole.ckpt")
    first = batch("--seed", 3, "--ticks", 800, "--checkpoint", tmp_path / "a.ckpt")
    with aquarium.World.load(tmp_path / "a.ckpt") as w:
        assert (w.tick, w.census()["births"]) == (800, None)
        assert w.run(1600) == "ticks"
        w.save(tmp_path / "b.ckpt")
        middle = w.take_report()
    last = batch("--resume", tmp_path / "b.ckpt", "--checkpoint", tmp_path / "c.ckpt",
                 "--ticks", 2400)
    assert first.stdout + middle + last.stdout == whole.stdout
    assert (tmp_path / "c.ckpt").read_bytes() == (tmp_path / "whole.ckpt").read_bytes()


@pytest.mark.parametrize("world, run", [
    (dict(founders=-1), None),
    (dict(tank=(600, 600)), None),
    (dict(tank=(511, 600, 600)), None),
    (dict(lifespan=100000, time_unit=100000), None),
    (dict(founders=2, shoals=2**30, shoal_size=2), None),
    (dict(seed=2**32), None),
    (dict(seed=1), dict(ticks=0)),
    (dict(seed=1), dict(max_speedbricks=-1)),
])
def test_refusals_say_what_the_command_line_says(world, run):
    with pytest.raises(ValueError) as refused:
        with aquarium.World(**world) as w:
            w.run(**(run or {}))
    line = batch(*words({**world, **(run or {})}), "--quiet", check=False)
    assert line.returncode == 2
    assert line.stderr.decode() == f"aquarium-batch: {refused.value} (see --help)\n"


def test_one_world_at_a_time(tmp_path):
    with pytest.raises(TypeError, match="founders must be an int"):
        aquarium.World(founders=2.0)
    w = aquarium.World(seed=1)
    with pytest.raises(RuntimeError, match="one world at a time"):
        aquarium.World(seed=2)
    with pytest.raises(RuntimeError, match="tick 0 is not saved"):
        w.save(tmp_path / "zero.ckpt")
    w.step(10)
    w.save(tmp_path / "w.ckpt")
    with pytest.raises(RuntimeError, match="one world at a time"):
        aquarium.World.load(tmp_path / "w.ckpt")
    w.close()
    with pytest.raises(RuntimeError, match="closed"):
        w.step()
    (tmp_path / "cut.ckpt").write_bytes((tmp_path / "w.ckpt").read_bytes()[:-9])
    with pytest.raises(ValueError, match="cut.ckpt': truncated"):
        aquarium.World.load(tmp_path / "cut.ckpt")
    with aquarium.World.load(tmp_path / "w.ckpt") as v:
        assert v.tick == 10
    dropped = aquarium.World(seed=3)
    del dropped
    gc.collect()
    aquarium.World(seed=4).close()


def test_ctrl_c_stops_between_ticks_and_the_world_goes_on():
    # A timer on the process's own processor time, not the wall clock: it rings inside the
    # run, which takes a second or more, and its handler presses Ctrl-C.
    old = signal.signal(signal.SIGVTALRM, lambda *_: signal.raise_signal(signal.SIGINT))
    try:
        with aquarium.World(seed=1) as w:
            signal.setitimer(signal.ITIMER_VIRTUAL, 0.05)
            with pytest.raises(KeyboardInterrupt):
                w.run(20000)
            stopped = w.tick
            assert 0 < stopped < 20000
            assert w.run(stopped + 300) == "ticks"
            report, state = w.take_report(), w.state_hash()
    finally:
        signal.setitimer(signal.ITIMER_VIRTUAL, 0)
        signal.signal(signal.SIGVTALRM, old)
    with aquarium.World(seed=1) as w:
        w.run(stopped + 300)
        assert (w.take_report(), w.state_hash()) == (report, state)
