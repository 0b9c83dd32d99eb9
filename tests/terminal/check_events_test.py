#!/usr/bin/env python3
"""The event schema and its checker: the example of docs/events.md follows the schema, and the checker
refuses each way a line can break it (a missing or mistyped field, an unknown reason or event, a field the
schema does not describe, a run's line after another run's start, a torn last line). Takes the repository's
root."""

import contextlib
import importlib.util
import io
import json
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
CHECK = os.path.join(ROOT, "tests", "terminal", "check-events.py")
RUN = "0123456789abcdef0123456789abcdef"


def example_lines():
    with open(os.path.join(ROOT, "docs", "events.md"), encoding="utf-8") as f:
        text = f.read()
    block = text.split("## Example", 1)[1].split("```", 2)[1]
    return [line for line in block.splitlines() if line.strip()]


spec = importlib.util.spec_from_file_location("check_events", CHECK)
checker = importlib.util.module_from_spec(spec)
spec.loader.exec_module(checker)


class Result:
    def __init__(self, returncode, stdout):
        self.returncode, self.stdout = returncode, stdout


def check(lines, whole=True):
    with tempfile.NamedTemporaryFile("w", suffix=".jsonl", delete=False) as f:
        f.write("\n".join(lines) + ("\n" if whole else ""))
    out = io.StringIO()
    try:
        with contextlib.redirect_stdout(out):
            status = checker.main([f.name])
        return Result(status, out.getvalue())
    finally:
        os.unlink(f.name)


def event(name, **fields):
    return dict({"v": 1, "time": "2026-12-08T06:31:13.521Z", "host": "h", "run": RUN, "event": name}, **fields)


START = event("run_start", version="5.0.0", processor={"brand": "", "name": "x"}, processors=2, allowed=[0, 1],
              workers=1, options={"mode": "normal"}, pid=7)
END = event("run_end", worker=0, errors=0, worktime_s=60, reason="time_limit", exit_status=0)


class Schema(unittest.TestCase):
    def test_the_documented_example_follows_it(self):
        lines = example_lines()
        self.assertGreaterEqual(len(lines), 5)
        result = check(lines)
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_a_whole_run_passes(self):
        lines = [START, event("test_start", worker=0, kind="heat-up", minutes=5),
                 event("heartbeat", worker=0, worktime_s=60, passes={"mmx": 3}, temperature_c=41.5),
                 event("error", worker=0, code=1, message="MMX test failed!", detail="Calculation error",
                       mismatch={"position": 3, "expected": "12", "got": "13"}), END]
        result = check([json.dumps(e) for e in lines])
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_each_break_is_found(self):
        broken = {
            "a required field missing": event("run_end", errors=0, worktime_s=1, exit_status=0),
            "a field of the wrong type": dict(END, exit_status="0"),
            "a boolean for a number": dict(END, exit_status=True),
            "an unknown reason": dict(END, reason="tired"),
            "an unknown event": event("nap", worker=0),
            "a field the schema does not describe": dict(END, mood="fine"),
            "a time without milliseconds": dict(END, time="2026-12-08T06:31:13Z"),
            "no run id": {k: v for k, v in END.items() if k != "run"},
            "a test start without minutes or cipher": event("test_start", worker=0, kind="mmx"),
            "a mismatch without its texts": event("error", worker=0, code=1, message="m", detail="d",
                                                  mismatch={"position": 1}),
            "schema version 2": dict(END, v=2),
        }
        for what, line in broken.items():
            with self.subTest(what):
                self.assertEqual(check([json.dumps(START), json.dumps(line)]).returncode, 1, what)

    def test_the_lines_of_a_run_follow_its_start(self):
        other = dict(END, run="f" * 32)
        self.assertEqual(check([json.dumps(START), json.dumps(other)]).returncode, 1)
        self.assertEqual(check([json.dumps(START), json.dumps(START)]).returncode, 1, "a run started twice")

    def test_a_torn_last_line_is_a_fault_here(self):
        self.assertEqual(check([json.dumps(START), json.dumps(END)], whole=False).returncode, 1)

    def test_the_tables_of_the_documentation_are_the_schemas(self):
        result = subprocess.run([os.path.join(ROOT, "scripts", "events-doc"), "--check",
                                 os.path.join(ROOT, "docs", "events.md")], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


if __name__ == "__main__":
    unittest.main()
