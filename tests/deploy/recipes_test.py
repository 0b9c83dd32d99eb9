#!/usr/bin/env python3
"""The fleet recipes in deploy/ hold what a fleet run needs: the Kubernetes manifests parse, every pod puts
its node's name in the events and names its files by it, the burn-in and the soak keep separate metrics
files, the soak reaches tainted nodes, the namespace allows the hostPath volumes, no processor limit caps
what --workers all may test; the batch script is valid shell and keeps its promises to the summary.
Takes the source tree's top folder. Exits 77 (skipped) without PyYAML."""

import os
import subprocess
import sys
import unittest

try:
    import yaml
except ImportError:
    print("SKIP: no PyYAML")
    sys.exit(77)

TOP = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../..")
KUBE = os.path.join(TOP, "deploy/kubernetes")


def load(name):
    with open(os.path.join(KUBE, name)) as f:
        docs = list(yaml.safe_load_all(f))
    assert len(docs) == 1, name
    return docs[0]


def container(doc):
    return doc["spec"]["template"]["spec"]["containers"][0]


class Manifests(unittest.TestCase):
    def setUp(self):
        self.job = load("torvane-burnin-job.yaml")
        self.soak = load("torvane-soak-daemonset.yaml")
        self.namespace = load("torvane-namespace.yaml")

    def test_the_namespace_allows_host_path_volumes_and_both_use_it(self):
        self.assertEqual(self.namespace["kind"], "Namespace")
        self.assertEqual(self.namespace["metadata"]["labels"]["pod-security.kubernetes.io/enforce"], "privileged")
        for doc in (self.job, self.soak):
            self.assertEqual(doc["metadata"]["namespace"], self.namespace["metadata"]["name"])
            self.assertTrue(any("hostPath" in v for v in doc["spec"]["template"]["spec"]["volumes"]))
            spec = container(doc)
            self.assertNotIn("securityContext", spec, "the pods ask for no privilege")

    def test_events_carry_and_are_named_by_the_node(self):
        for doc in (self.job, self.soak):
            spec = container(doc)
            env = {e["name"]: e for e in spec["env"]}
            self.assertEqual(env["TORVANE_NODE"]["valueFrom"]["fieldRef"]["fieldPath"], "spec.nodeName")
            self.assertIn("/var/lib/torvane/events/${TORVANE_NODE}", " ".join(spec["args"]))

    def test_the_burn_in_and_the_soak_keep_separate_files(self):
        def option(doc, name):
            words = " ".join(container(doc)["args"]).split()
            return words[words.index(name) + 1]
        self.assertNotEqual(option(self.job, "--metrics"), option(self.soak, "--metrics"))
        self.assertNotEqual(option(self.job, "--events"), option(self.soak, "--events"))
        self.assertIn("--minutes", " ".join(container(self.job)["args"]))
        self.assertNotIn("--minutes", " ".join(container(self.soak)["args"]))

    def test_every_node_and_every_processor(self):
        self.assertIn({"operator": "Exists"}, self.soak["spec"]["template"]["spec"]["tolerations"])
        for doc in (self.job, self.soak):
            resources = container(doc)["resources"]
            self.assertNotIn("cpu", resources.get("limits", {}), "a processor limit caps the test")
            self.assertIn("--workers all", " ".join(container(doc)["args"]))
        self.assertEqual(self.job["spec"]["backoffLimit"], 0)
        self.assertEqual(self.job["spec"]["parallelism"], self.job["spec"]["completions"])


class BatchScript(unittest.TestCase):
    def test_it_is_shell_that_traps_stops_and_gives_the_summary_its_nodes(self):
        path = os.path.join(TOP, "deploy/slurm/torvane-burnin.sbatch")
        subprocess.run(["bash", "-n", path], check=True)
        text = open(path).read()
        for needed in ("trap ", "srun ", "--whole", "--cpu-bind=none", "SLURMD_NODENAME", "--expect", "--since",
                       '"${@:4}"'):
            self.assertIn(needed, text)
        self.assertNotIn("--exclusive --cpu-bind", text, "an exclusive step gets one processor per task")


if __name__ == "__main__":
    unittest.main(verbosity=1)
