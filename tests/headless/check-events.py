#!/usr/bin/env python3
"""Checks event stream files line by line against the schema docs/events.md describes: every line one
JSON object with the common fields, and each event with its own fields of their types. Prints the first
problems and exits 1 when there are any. It checks files of runs that ended, whose last line is whole too:
here a torn last line is a fault of the program, where other readers leave it out."""

import json
import re
import sys

TIME = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$")
NUMBER = (int, float)

# Per event: required fields and their types; optional fields and their types.
SCHEMA = {
    "run_start": ({"version": str, "processor": dict, "processors": int, "allowed": list, "workers": int,
                   "options": dict, "pid": int},
                  {"cpus": list}),
    "test_start": ({"worker": int, "kind": str}, {"cpu": int, "minutes": int, "cipher": str, "mb": int}),
    "heartbeat": ({"worker": int, "worktime_s": NUMBER, "passes": dict}, {"cpu": int, "temperature_c": NUMBER}),
    "pause": ({"worker": int, "seconds": NUMBER}, {"cpu": int}),
    "error": ({"worker": int, "code": int, "message": str, "detail": str}, {"cpu": int, "mismatch": dict, "cause": str}),
    "worker_end": ({"worker": int, "cpu": int, "errors": NUMBER, "worktime_s": NUMBER, "reason": str,
                    "exit_status": int},
                   {"signal": int}),
    "run_end": ({"errors": NUMBER, "worktime_s": NUMBER, "reason": str, "exit_status": int},
                {"worker": int, "workers": int}),
}
REASONS = {"time_limit", "signal", "error", "clock_jump", "output_failed", "stopped", "died", "start_failed"}


def check(event):
    for field, kind in (("v", int), ("time", str), ("host", str), ("event", str)):
        if not isinstance(event.get(field), kind):
            return f"common field {field!r} missing or of the wrong type"
    for field in ("run", "node"):
        if field in event and not isinstance(event[field], str):
            return f"common field {field!r} of the wrong type"
    if not re.fullmatch(r"[0-9a-f]{32}", event.get("run", "")):
        return "no run id of 32 hexadecimal digits"
    if event["v"] != 1:
        return f"schema version {event['v']}"
    if not TIME.match(event["time"]):
        return f"time {event['time']!r} is not RFC 3339 UTC with milliseconds"
    name = event["event"]
    if name not in SCHEMA:
        return f"unknown event {name!r}"
    required, optional = SCHEMA[name]
    for field, kind in required.items():
        if field not in event or not isinstance(event[field], kind) or isinstance(event[field], bool):
            return f"{name}: field {field!r} missing or of the wrong type"
    for field, kind in optional.items():
        if field in event and not isinstance(event[field], kind):
            return f"{name}: field {field!r} of the wrong type"
    if "reason" in event and event["reason"] not in REASONS:
        return f"{name}: unknown reason {event['reason']!r}"
    if name == "error" and "mismatch" in event:
        m = event["mismatch"]
        if not (isinstance(m.get("position"), int) and isinstance(m.get("expected"), str)
                and isinstance(m.get("got"), str)):
            return "error: mismatch needs position, expected and got"
    if name == "test_start" and not ("minutes" in event or ("cipher" in event and "mb" in event)):
        return "test_start: neither minutes nor cipher and mb"
    return None


def main(files):
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
                problem = check(event) if isinstance(event, dict) else "not an object"
            except ValueError as e:
                problem = f"not JSON ({e})"
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
