"""The type stub against the compiled module: every name, call, keyword and default the module
binds is the stub's, and the stub names nothing the module lacks."""

import ast
import inspect
import os
import re

import aquarium

STUB = ast.parse(open(os.path.join(os.path.dirname(aquarium.__file__), "aquarium.pyi")).read())


def bound(function):
    """(name, default or None, keyword-only) of each parameter in pybind11's signature line, and
    World's keywords from the lines 'name=default: ...' of its help."""
    line = function.__doc__.splitlines()[0]
    params, only = [], False
    for word in re.split(r", (?![^\[]*\])", line[line.index("(") + 1:line.rindex(")")]):
        if word == "*":
            only = True
        elif word == "**kwargs":
            params += [(m[1], m[2], True) for m in re.finditer(r"^(\w+)=(.+?): ", function.__doc__,
                                                               re.M) if m[1] != "seed"]
        elif not word.startswith("self"):
            name, _, default = word.partition(" = ")
            params.append((name.split(":")[0], default or None, only))
    return params


def declared(node):
    """The same of a function of the stub."""
    a = node.args
    plain = [x for x in a.args if x.arg != "self"]
    defaults = [None] * (len(plain) - len(a.defaults)) + a.defaults
    default = lambda d: None if d is None else ast.unparse(d)
    return ([(x.arg, default(d), False) for x, d in zip(plain, defaults)] +
            [(x.arg, default(d), True) for x, d in zip(a.kwonlyargs, a.kw_defaults)])


def members(body):
    return {n.name: n for n in body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}


def test_the_stub_is_the_module():
    stub = members(STUB.body)
    public = {name for name, value in vars(aquarium).items()
              if not name.startswith("_") and (inspect.isclass(value) or callable(value))}
    assert public == stub.keys()
    constants = {n.target.id for n in STUB.body if isinstance(n, ast.AnnAssign)}
    assert constants == {name for name, value in vars(aquarium).items()
                         if isinstance(value, (str, tuple))} - {"__doc__", "__file__", "__name__", "__package__"}
    for name, node in stub.items():
        if isinstance(node, ast.FunctionDef):
            assert declared(node) == bound(getattr(aquarium, name)), name
            continue
        cls = getattr(aquarium, name)
        methods = members(node.body)
        assert methods.keys() == {m for m in vars(cls) if not m.startswith("_") or m in (
            "__init__", "__enter__", "__exit__", "__len__")} - {"__init__"} | (
            {"__init__"} if "__init__" in methods else set()), name
        for method, declaration in methods.items():
            value = inspect.getattr_static(cls, method)
            if isinstance(value, property):
                assert any(isinstance(d, ast.Name) and d.id == "property"
                           for d in declaration.decorator_list), (name, method)
            elif method != "__exit__":
                assert declared(declaration) == bound(getattr(cls, method)), (name, method)
