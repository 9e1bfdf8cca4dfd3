"""The pedigree of a crowded run, checked against the run's own every-tick trace."""

import os
import subprocess

import aquarium
import h5py
import networkx
import numpy as np
import pandas

BATCH = os.environ["AQUARIUM_BATCH"]


def test_pedigree_is_the_trace_of_a_crowded_run(tmp_path):
    subprocess.run([BATCH, "--seed", "1", "--ticks", "100000", "--max-speedbricks", "3000",
                    "--quiet", "--state", tmp_path / "t.h5", "--state-every", "1",
                    "--stats", tmp_path / "s.csv", "--phylogeny", tmp_path / "p.csv"],
                   check=True, capture_output=True)
    rows = pandas.read_csv(tmp_path / "p.csv", na_values=["none"])
    with aquarium.World(1, quiet=True) as world:
        world.run(ticks=100000, max_speedbricks=3000)
        same = world.phylogeny()
        shares = world.founder_shares()
    assert_same_rows(rows, same)
    living = rows[rows.destruction_time.isna()]
    genes = living[[c for c in rows if c.startswith("genome_")]].to_numpy()
    assert np.allclose(shares * genes.sum(axis=1, keepdims=True), genes)

    stats = pandas.read_csv(tmp_path / "s.csv")
    founders = rows[rows.event == "founder"]
    assert len(rows) == len(founders) + stats.births.sum() + stats.splits.sum()
    assert rows.id.is_unique

    genes = [c for c in rows if c.startswith("genome_")]
    genome = rows.set_index("id")[genes]
    origin = rows.set_index("id").origin_time
    graph = networkx.DiGraph()
    graph.add_nodes_from(rows.id)
    parents = {"founder": 0, "split": 1, "birth": 2}
    for row in rows.itertuples():
        ancestors = [] if row.ancestor_list == "[none]" else \
            [int(a) for a in row.ancestor_list.strip("[]").split(",")]
        assert len(ancestors) == parents[row.event], row
        for a in ancestors:
            assert origin[a] < row.origin_time, row
            graph.add_edge(a, row.id)
        if ancestors:
            expected = sum(genome.loc[a].to_numpy() for a in ancestors)
            assert (genome.loc[row.id].to_numpy() == expected).all(), row
    assert networkx.is_directed_acyclic_graph(graph)

    # Each id first shows at its origin and last on the tick before its death, or at the end.
    with h5py.File(tmp_path / "t.h5", "r") as trace:
        seen = trace["speedbricks"].fields(["tick", "id", "sex"])[()]
        last_tick = int(trace["ticks"]["tick"][-1])
    ids, first = np.unique(seen["id"], return_index=True)
    last = np.unique(seen["id"][::-1], return_index=True)[1]
    span = pandas.DataFrame({"first": seen["tick"][first],
                             "last": seen["tick"][::-1][last]}, index=ids)
    assert sorted(span.index) == sorted(rows.id)
    rows = rows.set_index("id")
    assert (span["first"] == rows.origin_time.loc[span.index]).all()
    ends = rows.destruction_time.fillna(last_tick + 1).loc[span.index]
    assert (span["last"] == ends - 1).all()
    # A sex, once drawn, stays: the mother, named first, is female.
    sex = pandas.Series(seen["sex"][::-1][last], index=ids)
    mothers = [int(a.strip("[").split(",")[0]) for a in rows.ancestor_list[rows.event == "birth"]]
    assert (sex.loc[mothers] == 2).all()


def assert_same_rows(rows, columns):
    """The file's rows are Python's, column by column."""
    ancestors = [[int(a) for a in s.strip("[]").split(",")] if s != "[none]" else []
                 for s in rows.ancestor_list]
    assert [[m for m in (mother, father) if m >= 0]
            for mother, father in zip(columns["mother"], columns["father"])] == ancestors
    for name in ("id", "origin_time"):
        assert (rows[name].to_numpy() == columns[name]).all(), name
    assert (rows.destruction_time.fillna(-1).to_numpy() == columns["destruction_time"]).all()
    for name, names in (("kind", aquarium.KINDS), ("event", aquarium.EVENTS)):
        assert rows[name].tolist() == [names[k] for k in columns[name]], name
    assert (rows[[f"genome_{g}" for g in range(columns["genome"].shape[1])]].to_numpy()
            == columns["genome"]).all()
