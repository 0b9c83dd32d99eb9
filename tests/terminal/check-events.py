#!/usr/bin/env python3
"""Checks event stream files line by line against the event stream's schema, docs/events.schema.json (with
python3-jsonschema), and beyond it: no line has a field the schema does not describe (the schema is the
whole documentation of the stream), and the lines of a run follow its run_start. Prints the first problems
and exits 1 when there are any. It checks files of runs that ended, whose last line is whole too: here a
torn last line is a fault of the program, where other readers leave it out."""

import json
import os
import sys

try:
    import jsonschema
except ImportError:
    sys.exit("check-events.py needs Python's jsonschema (apt-get install python3-jsonschema)")

SCHEMA_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "events.schema.json")


def load_schema():
    with open(SCHEMA_FILE, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    return schema


def undeclared(schema, event):
    """The fields of the event that neither the common part nor the event's own part of the schema names."""
    own = schema["$defs"].get(event.get("event"), {}).get("properties", {})
    return sorted(set(event) - set(schema["properties"]) - set(own))


def main(files):
    schema = load_schema()
    validator = jsonschema.Draft202012Validator(schema)
    problems = 0
    for name in files:
        # The lines of one run are together: a run's events follow its run_start.
        runs_started, current = set(), None
        with open(name, "rb") as f:
            data = f.read()
        if data and not data.endswith(b"\n"):
            print(f"{name}: the last line is not whole")
            problems += 1
        for number, line in enumerate(data.decode("utf-8").splitlines(), 1):
            try:
                event = json.loads(line)
            except ValueError as e:
                event, problem = None, f"not JSON ({e})"
            else:
                errors = sorted(validator.iter_errors(event), key=lambda e: list(e.path))
                problem = "; ".join(f"{'/'.join(map(str, e.path)) or 'line'}: {e.message}" for e in errors[:3])
                if not problem and undeclared(schema, event):
                    problem = f"{event['event']}: fields the schema does not describe: {undeclared(schema, event)}"
            if not problem:
                if event["event"] == "run_start":
                    problem = "a run that started twice" if event["run"] in runs_started else None
                    runs_started.add(event["run"])
                    current = event["run"]
                elif event["run"] != current:
                    problem = "an event of another run than the last run_start's"
            if problem:
                problems += 1
                if problems <= 10:
                    print(f"{name}:{number}: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
