# Parses a JSON file and prints one tab-separated line per scalar: <path> <type> <value>, strings as
# the hexadecimal of their UTF-8 bytes and floats in their shortest round-trip form.
import json
import sys


def walk(path, value):
    if isinstance(value, dict):
        print(f"{path}\tobject\t{len(value)}")
        for k, v in value.items():
            walk(f"{path}/{k}", v)
    elif isinstance(value, list):
        print(f"{path}\tarray\t{len(value)}")
        for i, v in enumerate(value):
            walk(f"{path}/{i}", v)
    elif isinstance(value, bool):
        print(f"{path}\tbool\t{value}")
    elif isinstance(value, int):
        print(f"{path}\tint\t{value}")
    elif isinstance(value, float):
        print(f"{path}\tfloat\t{value!r}")
    elif isinstance(value, str):
        print(f"{path}\tstring\t{value.encode('utf-8').hex()}")
    else:
        print(f"{path}\tnull\t-")


def reject(constant):
    raise ValueError(f"{constant} is not JSON")


with open(sys.argv[1], encoding="utf-8") as f:
    walk("", json.load(f, parse_constant=reject))
