"""pip's install of the checkout into a fresh virtual environment: the module it installs runs
as aquarium-batch does, mypy finds its stub through py.typed, and pip uninstall takes it away."""

import os
import subprocess
import sys
import tempfile
from pathlib import Path

BATCH = os.environ["AQUARIUM_BATCH"]
SOURCE = Path(os.environ["AQUARIUM_SOURCE"])

# The census tick by tick, as the statistics file writes it, and where the module came from.
RUN = """
import aquarium, importlib.metadata
with aquarium.World(seed=1, quiet=True) as w:
    rows = [",".join(w.census())]
    while w.tick < 400:
        w.step()
        rows.append(",".join(map(str, w.census().values())))
print(aquarium.__file__)
print(aquarium.__version__, importlib.metadata.version("aquarium"))
print("\\n".join(rows))
"""

# Wrong on purpose: only the stub's types make mypy say so.
TYPED = """import aquarium
tick: str = aquarium.World(seed=1).tick
"""


def run(*args, cwd=None):
    # The build tree on PYTHONPATH would hide whatever pip installs.
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    return subprocess.run(list(map(str, args)), cwd=cwd, env=env, capture_output=True, text=True)


def checked(*args, cwd=None):
    done = run(*args, cwd=cwd)
    assert done.returncode == 0, done.stdout + done.stderr
    return done.stdout


def test_pip_installs_runs_types_and_uninstalls():
    before = sorted(p.name for p in SOURCE.iterdir())
    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(tmp)
        venv = tmp / "v"
        checked(sys.executable, "-m", "venv", "--system-site-packages", venv)
        python = venv / "bin" / "python"
        checked(python, "-m", "pip", "install", "--no-build-isolation", "--no-index", SOURCE)
        site, suffix = checked(python, "-c", "import sysconfig as s; print(s.get_path('platlib'), "
                                             "s.get_config_var('EXT_SUFFIX'))").split()
        site = Path(site)
        assert sorted(p.name for p in (site / "aquarium").iterdir()) == [
            "__init__" + suffix, "__init__.pyi", "py.typed"]

        # The installed module, not the build tree's, runs as the batch runner does.
        where, versions, *rows = checked(python, "-c", RUN, cwd=tmp).splitlines()
        assert Path(where).parent == site / "aquarium"
        batch = checked(BATCH, "--version").split()[-1]
        assert versions.split() == [batch, batch]
        checked(BATCH, "--seed", 1, "--ticks", 400, "--quiet", "--stats", tmp / "b.csv")
        assert rows == [r for r in (tmp / "b.csv").read_text().splitlines()
                        if not r.startswith("#")]

        (tmp / "typed.py").write_text(TYPED)
        typed = run("mypy", "--python-executable", python, "--cache-dir", tmp / "mypy", "typed.py",
                    cwd=tmp)
        assert typed.returncode == 1, typed.stdout + typed.stderr
        assert 'typed.py:2: error: Incompatible types in assignment (expression has type "int", ' \
               'variable has type "str")' in typed.stdout, typed.stdout

        checked(python, "-m", "pip", "uninstall", "-y", "aquarium")
        assert sorted(site.glob("aquarium*")) == []
        assert run(python, "-c", "import aquarium", cwd=tmp).returncode == 1
    assert sorted(p.name for p in SOURCE.iterdir()) == before
