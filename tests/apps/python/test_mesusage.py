"""What a notebook's user does by mistake: each gets a Python exception, never a crash, and the
world or the file stays usable. Also run against the module built with the sanitizers."""

import os
import re
import signal
import subprocess
import threading

import aquarium
import pytest

BATCH = os.environ["AQUARIUM_BATCH"]

# Every call on a World, with arguments that would work on an open one.
CALLS = {
    "step": lambda w, d: w.step(),
    "run": lambda w, d: w.run(10**6),
    "tick": lambda w, d: w.tick,
    "seed": lambda w, d: w.seed,
    "settings": lambda w, d: w.settings,
    "census": lambda w, d: w.census(),
    "speedbricks": lambda w, d: w.speedbricks(),
    "rings": lambda w, d: w.rings(),
    "cutits": lambda w, d: w.cutits(),
    "frame": lambda w, d: w.frame("speedbricks"),
    "take_report": lambda w, d: w.take_report(),
    "save": lambda w, d: w.save(d / "w.ckpt"),
    "state_hash": lambda w, d: w.state_hash(),
}


def test_calls_after_close(tmp_path):
    w = aquarium.World(seed=1, quiet=True)
    w.step(3)
    w.close()
    for name, call in CALLS.items():
        with pytest.raises(RuntimeError, match="this World is closed"):
            call(w, tmp_path)
    w.close()
    with w:
        pass
    assert w.closed and repr(w) == "<aquarium.World closed>"
    assert not (tmp_path / "w.ckpt").exists()


def test_two_threads_on_one_world(tmp_path):
    """While the main thread runs the world, another's every call, closing it included, is
    refused; then it presses Ctrl-C, and the world, stopped between ticks, goes on."""
    refused = {}

    def other():
        while True:  # until the run under way holds the world
            try:
                w.tick
            except RuntimeError:
                break
        for name, call in {**CALLS, "close": lambda w, d: w.close(),
                           "__exit__": lambda w, d: w.__exit__(None, None, None)}.items():
            try:
                call(w, tmp_path)
            except RuntimeError as e:
                refused[name] = str(e)
        os.kill(os.getpid(), signal.SIGINT)

    with aquarium.World(seed=1, quiet=True) as w:
        thread = threading.Thread(target=other)
        thread.start()
        try:
            # The bound ends the run should the Ctrl-C never come.
            with pytest.raises(KeyboardInterrupt):
                w.run(10**6, max_speedbricks=4000)
        finally:
            thread.join()
        assert set(refused) == {*CALLS, "close", "__exit__"}
        assert set(refused.values()) == {"this World is busy in another thread"}
        stopped = w.tick
        w.step()
        assert w.tick == stopped + 1 and not w.closed


def test_ctrl_c_during_save_leaves_a_whole_checkpoint(tmp_path):
    """Ctrl-C pressed again and again while a world is saved over and over: each save is done
    or not begun, and the file left is always a whole checkpoint of the world."""
    path = tmp_path / "w.ckpt"
    old = signal.signal(signal.SIGVTALRM, lambda *_: signal.raise_signal(signal.SIGINT))
    with aquarium.World(seed=1, quiet=True) as w:
        w.step(200)
        state = w.state_hash()
        w.save(path)
        try:
            # Processor time, not the wall clock: it rings while the saves work.
            signal.setitimer(signal.ITIMER_VIRTUAL, 0.001, 0.001)
            for _ in range(200):
                try:
                    w.save(path)
                except KeyboardInterrupt:
                    pass
        finally:
            signal.setitimer(signal.ITIMER_VIRTUAL, 0)
            signal.signal(signal.SIGVTALRM, old)
        assert w.state_hash() == state
    assert [p.name for p in tmp_path.iterdir()] == ["w.ckpt"]
    with aquarium.World.load(path) as v:
        assert (v.tick, v.state_hash()) == (200, state)


DAMAGES = {
    "cut in half": lambda data: data[:len(data) // 2],
    "last byte cut": lambda data: data[:-1],
    "byte flipped": lambda data: flip(data, len(data) // 2),
    "empty": lambda data: b"",
    "whole": lambda data: data,
}


def flip(data, i):
    return data[:i] + bytes([data[i] ^ 0x40]) + data[i + 1:]


@pytest.mark.parametrize("name, open_file, damages", [
    ("w.ckpt", aquarium.World.load, ["cut in half", "last byte cut", "byte flipped", "empty"]),
    ("t.jsonl", aquarium.read_trace, ["cut in half", "byte flipped", "empty"]),
    # The rows' bytes carry no checksum: a flipped value is a value.
    ("t.h5", aquarium.read_trace, ["cut in half", "last byte cut", "empty"]),
    ("t.jsonl", aquarium.World.load, ["whole"]),
    ("w.ckpt", aquarium.read_trace, ["whole"]),
])
def test_damaged_files_are_refused(tmp_path, name, open_file, damages):
    """A damaged checkpoint given to World.load, a damaged trace to read_trace, either one to
    the other: ValueError saying which file and why in one line, and the core free for the
    next World."""
    subprocess.run([BATCH, "--seed", "1", "--ticks", "300", "--quiet", "--checkpoint",
                    tmp_path / "w.ckpt", "--state", tmp_path / "t.jsonl", "--state-every", "100"],
                   check=True)
    subprocess.run([BATCH, "--seed", "1", "--ticks", "300", "--quiet", "--state",
                    tmp_path / "t.h5", "--state-every", "100"], check=True)
    data = (tmp_path / name).read_bytes()
    for damage in damages:
        path = tmp_path / f"{damage}-{name}"
        path.write_bytes(DAMAGES[damage](data))
        with pytest.raises(ValueError, match=f"^'{re.escape(str(path))}': [^\\n]+$"):
            open_file(path)
    with pytest.raises(ValueError, match="missing.ckpt': cannot"):
        aquarium.World.load(tmp_path / "missing.ckpt")
    aquarium.World(seed=1, quiet=True).close()
