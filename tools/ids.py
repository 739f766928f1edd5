"""The programs' control ids, by name, for the scripts that drive the
windows. The build writes them from quillon/QuillonIds.h and
veltra/app/VeltraIds.h to python/control_ids.py in the build folder, so a
script reads the ids of the very program it drives:

    from ids import Quillon          # under tools/atspi-run.sh
    atspi.control(app, Quillon.OpenButton)
    ids.load(binary).Veltra          # for a script that starts the program

tools/atspi-run.sh points CONTROL_IDS at the file beside the program it
starts; set it by hand to use another. A name the header no longer has
raises AttributeError."""
import os
import types

_loaded = {}


def path_for(binary):
    """control_ids.py of the build that made BINARY (BUILD/bin/NAME)."""
    return os.path.join(os.path.dirname(os.path.realpath(binary)), os.pardir, "python", "control_ids.py")


def load(binary=None):
    """The generated module: beside BINARY, or else where CONTROL_IDS says."""
    path = path_for(binary) if binary else os.environ.get("CONTROL_IDS")
    if not path:
        raise RuntimeError("CONTROL_IDS is not set: run the script through tools/atspi-run.sh, "
                           "or point CONTROL_IDS at BUILD/python/control_ids.py")
    path = os.path.realpath(path)
    if path not in _loaded:
        if not os.path.isfile(path):
            raise RuntimeError("no control ids at %s: build the program (or the control_ids target) first" % path)
        module = types.ModuleType("control_ids")
        module.__file__ = path
        with open(path, encoding="utf-8") as f:
            exec(compile(f.read(), path, "exec"), module.__dict__)
        _loaded[path] = module
    return _loaded[path]


def __getattr__(name):
    # `from ids import Quillon`: the classes of the file CONTROL_IDS names.
    if name in ("Quillon", "Veltra"):
        return getattr(load(), name)
    raise AttributeError("module 'ids' has no attribute %r" % name)
