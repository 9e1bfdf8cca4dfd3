"""The example notebook, executed as Jupyter would, in a scratch folder."""

import os

import nbformat
from nbclient import NotebookClient


def test_the_example_notebook_runs(tmp_path):
    notebook = nbformat.read(os.path.join(os.environ["AQUARIUM_EXAMPLES"], "aquarium.ipynb"),
                             as_version=4)
    NotebookClient(notebook, timeout=300, kernel_name="python3",
                   resources={"metadata": {"path": str(tmp_path)}}).execute()
    figures = [o for c in notebook.cells if c.cell_type == "code" for o in c.outputs
               if "image/png" in o.get("data", {})]
    assert len(figures) == 5
