"""pip's build of the module `aquarium`: CMake's `python` preset, for the Python running pip,
then the module's install rules lay out the package."""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pybind11
from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

RACINE = Path(__file__).resolve().parent
# Everything the build writes lies here, CMake's folder and setuptools' own, kept between builds
# so that CMake compiles again only what changed.
DOSSIER = Path(os.environ.get("AQUARIUM_BUILD_DIR") or RACINE / "build" / "pip").resolve()
# pybind11 reads numpy 2's arrays from its version 2.12 on: a module built with an older one
# (Debian 12's 2.10) reads numpy 1's only.
NUMPY = "numpy" if pybind11.version_info[:2] >= (2, 12) else "numpy<2"


def version():
    """The project's one version, as the top CMakeLists.txt declares it."""
    texte = (RACINE / "CMakeLists.txt").read_text()
    return re.search(r"project\(aquarium VERSION ([0-9.]+)", texte).group(1)


class ConstructionCMake(build_ext):
    def build_extension(self, ext):
        dossier = str(Path(self.build_temp, "cmake"))
        taches = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count())
        # What an earlier build installed would go into the wheel too, wanted or not.
        shutil.rmtree(Path(self.build_lib, "aquarium"), ignore_errors=True)
        for commande in (
            ["--preset", "python", "-B", dossier, f"-DPython_EXECUTABLE={sys.executable}",
             f"-Dpybind11_DIR={pybind11.get_cmake_dir()}"],
            ["--build", dossier, "--target", "aquarium_python", "--parallel", taches],
            ["--install", dossier, "--component", "python", "--prefix", self.build_lib],
        ):
            subprocess.run(["cmake", *commande], cwd=RACINE, check=True)


DOSSIER.mkdir(parents=True, exist_ok=True)
setup(version=version(), install_requires=[NUMPY], ext_modules=[Extension("aquarium", sources=[])],
      cmdclass={"build_ext": ConstructionCMake},
      options={"build": {"build_base": str(DOSSIER)}, "egg_info": {"egg_base": str(DOSSIER)}})
