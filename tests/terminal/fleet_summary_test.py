#!/usr/bin/env python3
"""fleet-summary on event files made here, one case per way a fleet's record can mislead: a run stopped
before its time, a restart after an error, an old file of an earlier job, a node that never started, two
nodes with one host name, a run that could use only part of its machine, one file given twice. Takes the
path of the script."""

import itertools
import json
import os
import subprocess
import sys
import tempfile
import unittest

SUMMARY = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../../scripts/fleet-summary")


def run_events(run, host="h", node=None, minutes=60, end=None, errors=0, worktime=3600, start="2026-12-08T06:00:00.000Z",
               cpus=(0, 1), processors=2, allowed=None, error=None, with_ids=True):
    """The events of one supervised run: run_start, a heartbeat per worker, an error where one is given,
    worker_end per worker and run_end (unless end is None: a run still going, or killed)."""
    common = {"v": 1, "host": host, "time": start}
    if node:
        common["node"] = node
    if with_ids:
        common["run"] = run
    events = [dict(common, event="run_start", processors=processors, allowed=list(allowed or cpus),
                   cpus=list(cpus), workers=len(cpus), processor={"brand": "Test CPU", "name": "Test"},
                   options={"minutes": minutes, "mode": "idle"}, version="5.0.0", pid=1)]
    for i, cpu in enumerate(cpus):
        events.append(dict(common, event="heartbeat", worker=i, cpu=cpu, worktime_s=60, passes={}))
    if error is not None:
        events.append(dict(common, event="error", worker=error, cpu=cpus[error], code=1, message="MMX test failed!",
                           detail="Calculation error"))
    if end is not None:
        for i, cpu in enumerate(cpus):
            events.append(dict(common, event="worker_end", worker=i, cpu=cpu, errors=int(error == i),
                               worktime_s=worktime, reason=end, exit_status=int(error == i)))
        events.append(dict(common, event="run_end", errors=errors, worktime_s=worktime, reason=end,
                           exit_status=1 if errors else 0, workers=len(cpus)))
    return events


class FleetSummary(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def file(self, name, *runs):
        path = os.path.join(self.dir.name, name)
        with open(path, "w") as f:
            for events in runs:
                for e in events:
                    f.write(json.dumps(e) + "\n")
        return path

    def summary(self, *args):
        p = subprocess.run([sys.executable, SUMMARY, *args], capture_output=True, text=True, timeout=60)
        return p.returncode, p.stdout, p.stderr

    def test_only_a_run_that_reached_its_time_passes(self):
        done = self.file("a.jsonl", run_events("r1", host="a", end="time_limit"))
        code, out, _ = self.summary(done)
        self.assertEqual(code, 0, out)
        self.assertIn("a (Test CPU, 2 processors): passed (time_limit, exit status 0)\n", out)
        # scancel, a time limit of the scheduler, a deleted pod: a signal before the 60 minutes.
        early = self.file("b.jsonl", run_events("r2", host="b", end="signal", worktime=185))
        code, out, _ = self.summary(early)
        self.assertEqual(code, 1, out)
        self.assertIn("b (Test CPU, 2 processors): stopped early (signal after 0 d, 0 h, 3 m, 5 s, of the 60 "
                      "minutes asked for; exit status 0)\n", out)
        self.assertIn("1 machine, 0 failed or not ended, 1 stopped early\n", out)
        # A stop that came once the work time was done takes nothing away.
        code, out, _ = self.summary(self.file("c.jsonl", run_events("r3", host="c", end="signal", worktime=3600)))
        self.assertEqual(code, 0, out)
        # With no work time asked for there is nothing to reach: a stop is never a pass.
        code, out, _ = self.summary(self.file("d.jsonl", run_events("r4", host="d", minutes=0, end="signal")))
        self.assertEqual(code, 1, out)
        self.assertIn("stopped early (signal after 0 d, 1 h, 0 m, 0 s, with no work time asked for;", out)
        # A worker that took the run with it without an error: stopped, not passed.
        code, out, _ = self.summary(self.file("e.jsonl", run_events("r5", host="e", end="stopped", worktime=10)))
        self.assertEqual(code, 1, out)

    def test_a_restart_after_an_error_never_hides_it(self):
        # A container's first run failed; the restarted one passed, or is still going.
        path = self.file("n.jsonl", run_events("r1", host="pod", node="n1", end="error", errors=1, error=1,
                                               worktime=100),
                         run_events("r2", host="pod", node="n1", end="time_limit",
                                    start="2026-12-08T06:02:00.000Z"),
                         run_events("r3", host="pod", node="n1", end=None, start="2026-12-08T07:03:00.000Z"))
        code, out, _ = self.summary(path)
        self.assertEqual(code, 1, out)
        self.assertIn(f"n1 (Test CPU, 2 processors) [{path}, run r1]: FAILED (error, exit status 1)\n", out)
        self.assertIn(f"n1 (Test CPU, 2 processors) [{path}, run r2]: passed (time_limit, exit status 0)\n", out)
        self.assertIn(f"n1 (Test CPU, 2 processors) [{path}, run r3]: NOT ENDED\n", out)
        self.assertRegex(out, r"\n  1 +0 d, 0 h, 1 m, 40 s +1  MMX test failed! \(code 1\)\n")
        self.assertIn("3 runs on 1 machine, 2 failed or not ended\n", out)

    def test_two_runs_at_once_in_one_file_are_told_apart_by_their_ids(self):
        a = run_events("ra", host="h", end="time_limit")
        b = run_events("rb", host="h", end="error", errors=1, error=0)
        mixed = [e for pair in itertools.zip_longest(a, b) for e in pair if e is not None]
        code, out, _ = self.summary(self.file("x.jsonl", mixed))
        self.assertEqual(code, 1, out)
        self.assertIn("run ra]: passed", out)
        self.assertIn("run rb]: FAILED", out)

    def test_since_leaves_out_an_earlier_jobs_runs(self):
        old = run_events("old", host="a", end="time_limit", start="2026-12-01T06:00:00.000Z")
        new = run_events("new", host="a", end="error", errors=1, error=0, start="2026-12-08T06:00:00.000Z")
        path = self.file("a.jsonl", old, new)
        code, out, _ = self.summary("--since", "2026-12-08T05:59:00Z", path)
        self.assertEqual(code, 1, out)
        self.assertNotIn("passed", out)
        self.assertIn("1 run that started before --since left out\n", out)
        # Only the old, passed run in the folder: the new job wrote nothing, and that is no pass.
        old_only = self.file("b.jsonl", run_events("old2", host="b", end="time_limit", start="2026-12-01T06:00:00.000Z"))
        code, out, _ = self.summary("--since", "2026-12-08 05:59", "--expect", "b", old_only)
        self.assertEqual(code, 1, out)
        self.assertIn("1 of the 1 machines expected had no run: b", out)
        # The same moment as seconds since 1970; a time just after a run's start leaves it out.
        code, out, _ = self.summary("--since", "1796709600", path)  # 2026-12-08T06:00:00Z
        self.assertEqual(code, 1, out)
        self.assertIn("FAILED", out)
        self.assertIn("1 run that started before --since left out\n", out)
        code, out, _ = self.summary("--since", "@1796709601", path)
        self.assertIn("2 runs that started before --since left out\n", out)
        self.assertEqual(code, 1, out)

    def test_expect_names_the_machines_without_a_run(self):
        a = self.file("n1.jsonl", run_events("r1", host="same", node="n1", end="time_limit"))
        b = self.file("n2.jsonl", run_events("r2", host="same", node="n2", end="time_limit"))
        code, out, _ = self.summary("--expect", "2", a, b)
        self.assertEqual(code, 0, out)
        self.assertIn("2 machines, 0 failed or not ended\n", out)  # one host name, two nodes
        code, out, _ = self.summary("--expect", "n1,n2,n3", a, b)
        self.assertEqual(code, 1, out)
        self.assertIn("  n3       MISSING", out)
        self.assertIn("1 of the 3 machines expected had no run: n3 (the program did not start, or wrote elsewhere)\n",
                      out)
        code, out, _ = self.summary("--expect", "4", a, b)
        self.assertEqual(code, 1, out)
        self.assertIn("2 of the 4 machines expected had no run (", out)
        code, out, err = self.summary("--expect", ",", a)
        self.assertEqual(code, 2, out + err)
        # No file at all (no node could start the program): every node is missing.
        code, out, _ = self.summary("--expect", "n1,n2")
        self.assertEqual(code, 1, out)
        self.assertIn("2 of the 2 machines expected had no run: n1, n2 (", out)

    def test_a_run_on_part_of_its_machine_says_so(self):
        path = self.file("p.jsonl", run_events("r1", host="n", end="time_limit", cpus=(0,), processors=2, allowed=(0,)))
        code, out, _ = self.summary(path)
        self.assertEqual(code, 0, out)
        self.assertIn("n (Test CPU, 2 processors, only 1 tested): passed", out)
        self.assertIn("n: only 1 of its 2 processors were tested (the run could use 0: ", out)
        whole = self.file("w.jsonl", run_events("r2", host="w", end="time_limit"))
        code, out, _ = self.summary(path, whole)
        self.assertIn("  n        passed   1 of 2       0", out)
        self.assertIn("  w        passed   2 of 2       0", out)

    def test_one_file_given_twice_counts_its_runs_once(self):
        path = self.file("a.jsonl", run_events("r1", host="a", end="time_limit"))
        copy = self.file("copy.jsonl", run_events("r1", host="a", end="time_limit"))
        code, out, err = self.summary(path, copy, path)
        self.assertEqual(code, 0, out + err)
        self.assertIn("1 machine, 0 failed or not ended\n", out)
        self.assertIn("is in another file too; counted once", err)

    def test_files_of_older_versions_without_run_ids(self):
        first = run_events(None, host="a", end="error", errors=1, error=0, with_ids=False)
        second = run_events(None, host="a", end="time_limit", with_ids=False)
        code, out, _ = self.summary(self.file("a.jsonl", first, second))
        self.assertEqual(code, 1, out)
        self.assertIn("2 runs on 1 machine, 1 failed or not ended\n", out)

    def test_control_characters_from_a_file_never_reach_the_terminal(self):
        events = run_events("r1", host="h", node="n\n1\x1b[2J", end="error", errors=1, error=0)
        for e in events:
            if e["event"] == "error":
                e["message"] = "boom\x1b]0;owned\x07"
        code, out, _ = self.summary(self.file("c.jsonl", events))
        self.assertEqual(code, 1, out)
        self.assertNotIn("\x1b", out)
        self.assertNotIn("\x07", out)
        self.assertIn("n\\n1\\u001b[2J (Test CPU, 2 processors): FAILED", out)
        self.assertIn("boom\\u001b]0;owned\\u0007 (code 1)", out)

    def test_bad_command_lines(self):
        path = self.file("a.jsonl", run_events("r1", end="time_limit"))
        for args in (["--since", "yesterday", path], ["--expect"], ["--bogus", path], []):
            code, out, err = self.summary(*args)
            self.assertEqual(code, 2, (args, out, err))
        code, out, _ = self.summary("--help")
        self.assertEqual(code, 0)
        self.assertIn("--expect", out)


if __name__ == "__main__":
    unittest.main(verbosity=1)
