#!/usr/bin/env python3
"""Planted-fault check: plants each fault of faults.toml in a scratch copy of a source tree,
rebuilds the one test binary that can catch it and runs its tests.

The tree given is only read. Its files are copied to a work folder under /tmp (kept between
runs, with its build folder, so that a fault costs one recompiled file and a link), each fault is
planted there and taken out again before the next one.

A fault is
  caught          a test that passes on the clean tree fails (a gui test: again when rerun),
                  crashes, or the run times out,
  missed          every test still passes,
  not-applicable  its snippet is not in the file exactly once: the code changed, update the fault,
  no-tests        its gui filter matches no test: the tests were renamed, update the filter,
  build-failed    the planted code does not compile: update the fault.

  tools/faults/run.py                           every fault, on the tree this script is in
  tools/faults/run.py --tree /work/main --compare tools/faults/baseline.txt
  tools/faults/run.py --only 'ini-' --unit-only
  tools/faults/run.py --check                   only look for the snippets, build nothing
"""

import argparse
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import tomllib
from pathlib import Path

HERE = Path(__file__).resolve().parent
XVFB = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24"]


def parse_args():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--tree", type=Path, default=HERE.parent.parent, help="source tree (read only)")
    p.add_argument("--faults", type=Path, default=HERE / "faults.toml")
    p.add_argument("--work", type=Path, help="scratch folder (default: /tmp/vantle-faults/<tree>)")
    p.add_argument("--only", help="regex over fault names")
    p.add_argument("--unit-only", action="store_true")
    p.add_argument("--gui-only", action="store_true")
    p.add_argument("--out", type=Path, help="write 'name status' lines here (default: <work>/results.txt)")
    p.add_argument("--compare", type=Path, help="an earlier results file: list what changed")
    p.add_argument("--check", action="store_true", help="only check that every snippet applies")
    p.add_argument("--jobs", type=int, default=2)
    p.add_argument("--unit-timeout", type=int, default=60, help="seconds for the unit tests")
    p.add_argument("--gui-timeout", type=int, default=600, help="seconds for one fault's gui tests")
    p.add_argument("--build-timeout", type=int, default=1800, help="seconds for one rebuild")
    return p.parse_args()


def load_faults(path):
    with open(path, "rb") as f:
        faults = tomllib.load(f)["fault"]
    names = set()
    for fault in faults:
        for field in ("name", "file", "find", "replace", "about", "tests"):
            if field not in fault:
                sys.exit(f"{path}: fault {fault.get('name', '?')} has no {field}")
        if fault["name"] in names:
            sys.exit(f"{path}: fault {fault['name']} is listed twice")
        names.add(fault["name"])
        if fault["tests"] not in ("unit", "gui") or (fault["tests"] == "gui") != ("filter" in fault):
            sys.exit(f"{path}: fault {fault['name']}: tests is unit, or gui with a filter")
    return faults


def tree_files(tree):
    """The tree's source files, as git sees them (uncommitted changes included)."""
    out = subprocess.run(["git", "-C", str(tree), "ls-files", "-co", "--exclude-standard", "-z"],
                         check=True, capture_output=True).stdout
    return [f for f in out.decode().split("\0") if f and (tree / f).is_file()]


def sync(tree, dest):
    """Makes dest a copy of the tree's files, writing only what differs so that the build folder
    next to it stays incremental (this also takes out a fault an interrupted run left planted)."""
    wanted = set(tree_files(tree))
    for rel in wanted:
        src, dst = tree / rel, dest / rel
        data = src.read_bytes()
        if not dst.is_file() or dst.read_bytes() != data:
            dst.parent.mkdir(parents=True, exist_ok=True)
            dst.write_bytes(data)
            shutil.copymode(src, dst)
    for path in list(dest.rglob("*")):
        if path.is_file() and str(path.relative_to(dest)) not in wanted:
            path.unlink()


class Runner:
    def __init__(self, args):
        self.args = args
        self.src = args.work / "src"
        self.build = args.work / "build"
        self.built = {}  # target -> whether the clean tree built

    def run(self, cmd, timeout, log, **kw):
        """Runs cmd in its own process group; returns its exit code, or None on timeout."""
        with open(log, "w") as out:
            proc = subprocess.Popen(cmd, stdout=out, stderr=subprocess.STDOUT,
                                    start_new_session=True, **kw)
            try:
                return proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
                return None
            except BaseException:
                # Stopped from outside: no build or test of ours may outlive the run.
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
                raise

    def configure(self):
        if not (self.build / "CMakeCache.txt").exists():
            rc = self.run(["cmake", "-S", str(self.src), "-B", str(self.build),
                           "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DVANTLE_TESTS=ON"],
                          600, self.args.work / "configure.log")
            if rc != 0:
                sys.exit(f"cmake failed: see {self.args.work / 'configure.log'}")

    def compile(self, target, log):
        rc = self.run(["cmake", "--build", str(self.build), "-j", str(self.args.jobs),
                       "--target", target], self.args.build_timeout, log)
        return rc == 0

    def unit_run(self, log):
        """True when every unit test passed."""
        binary = self.build / "tests" / "unit_tests"
        return self.run([str(binary), "--gtest_brief=1"], self.args.unit_timeout, log,
                        cwd=self.build) == 0

    def gui_run(self, regex, log, rerun=False):
        """The normalised names of the tests that failed, or None when the run timed out. An
        empty regex match is reported as the string 'no-tests'. With rerun, only the tests that
        failed in the previous run run again."""
        failed_log = self.build / "Testing" / "Temporary" / "LastTestsFailed.log"
        select = ["--rerun-failed"] if rerun else ["-R", regex]
        if not rerun:
            failed_log.unlink(missing_ok=True)
        env = dict(os.environ, NO_AT_BRIDGE="1")
        rc = self.run(XVFB + ["ctest", "--test-dir", str(self.build), *select,
                              "--timeout", "90", "--output-on-failure"],
                      self.args.gui_timeout, log, env=env)
        if rc is None:
            return None
        text = Path(log).read_text(errors="replace")
        if "No tests were found" in text:
            return "no-tests"
        failed = set()
        if failed_log.exists():
            for line in failed_log.read_text().splitlines():
                failed.add(normalise(line.split(":", 1)[-1]))
        if rc != 0 and not failed:
            failed.add("<ctest failed: see " + str(log) + ">")
        return failed

    def gui_names(self, log):
        names = set()
        for line in Path(log).read_text(errors="replace").splitlines():
            m = re.search(r"Test +#\d+: (.*?) \.{3,}", line)
            if m:
                names.add(normalise(m.group(1)))
        return names


def normalise(name):
    # Parameterised tests print their parameters' addresses, which differ from run to run.
    return re.sub(r"0x[0-9a-f]+", "0x?", name.strip())


def main():
    args = parse_args()
    args.tree = args.tree.resolve()
    if args.work is None:
        tag = hashlib.sha1(str(args.tree).encode()).hexdigest()[:8]
        args.work = Path("/tmp/vantle-faults") / f"{args.tree.name}-{tag}"
    args.work = args.work.resolve()
    if args.work == args.tree or args.tree in args.work.parents:
        sys.exit("--work must lie outside the tree")
    out = args.out or args.work / "results.txt"
    faults = load_faults(args.faults)
    if args.only:
        faults = [f for f in faults if re.search(args.only, f["name"])]
    if args.unit_only:
        faults = [f for f in faults if f["tests"] == "unit"]
    if args.gui_only:
        faults = [f for f in faults if f["tests"] == "gui"]

    if os.nice(0) < 10:
        os.nice(10 - os.nice(0))
    # A stop by signal still takes the planted fault out (the finally below).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    args.work.mkdir(parents=True, exist_ok=True)
    (args.work / "logs").mkdir(exist_ok=True)
    sync(args.tree, args.work / "src")

    if args.check:
        bad = 0
        for fault in faults:
            count = (args.work / "src" / fault["file"]).read_text().count(fault["find"]) \
                if (args.work / "src" / fault["file"]).is_file() else 0
            if count != 1:
                bad += 1
                print(f"{fault['name']:<44} not-applicable  snippet found {count} times in {fault['file']}")
        print(f"{len(faults) - bad} of {len(faults)} faults apply")
        return 1 if bad else 0

    r = Runner(args)
    r.configure()
    logs = args.work / "logs"

    # The clean tree first: its build must work and its tests pass, or nothing can be judged.
    clean_gui = {}  # filter -> names of tests that pass on the clean tree
    # The gui filters may also match unit tests (ctest lists both), so a gui run builds both.
    targets = {"unit_tests"} if faults else set()
    if any(f["tests"] == "gui" for f in faults):
        targets.add("gui_tests")
    for target in sorted(targets):
        print(f"building the clean {target} ...", flush=True)
        if not r.compile(target, logs / f"clean-{target}.log"):
            sys.exit(f"the clean tree does not build: see {logs / f'clean-{target}.log'}")
    if any(f["tests"] == "unit" for f in faults):
        if not r.unit_run(logs / "clean-unit.log"):
            sys.exit(f"unit tests fail on the clean tree: see {logs / 'clean-unit.log'}")
    for regex in sorted({f["filter"] for f in faults if f["tests"] == "gui"}):
        log = logs / f"clean-gui-{hashlib.sha1(regex.encode()).hexdigest()[:8]}.log"
        print(f"clean gui run of /{regex}/ ...", flush=True)
        failed = r.gui_run(regex, log)
        if failed is None:
            sys.exit(f"gui tests /{regex}/ time out on the clean tree: see {log}")
        if failed == "no-tests":
            clean_gui[regex] = failed
            continue
        names = r.gui_names(log)
        if failed:
            print(f"  failing on the clean tree, ignored for its faults: {sorted(failed)}")
        clean_gui[regex] = names - failed

    results = []
    counts = {}
    started = time.monotonic()
    with open(out, "w") as record:
        record.write(f"# planted faults over {args.tree}\n")
        for fault in faults:
            t0 = time.monotonic()
            status, detail = plant_and_test(r, fault, clean_gui, logs)
            counts[status] = counts.get(status, 0) + 1
            results.append((fault["name"], status))
            line = f"{fault['name']:<44} {status:<15} {detail}"
            print(f"{line.rstrip()}  ({time.monotonic() - t0:.0f} s)", flush=True)
            record.write(f"{fault['name']} {status}\n")
            record.flush()
        summary = (f"planted faults: {counts.get('caught', 0)} caught, {counts.get('missed', 0)} missed, "
                   f"{counts.get('not-applicable', 0)} not applicable, "
                   f"{counts.get('no-tests', 0)} without tests, {counts.get('build-failed', 0)} build failed")
        record.write(f"# {summary}\n")
    print(f"{summary}  ({(time.monotonic() - started) / 60:.0f} min; results in {out})")
    if args.compare:
        compare(args.compare, dict(results))
    return 0


def plant_and_test(r, fault, clean_gui, logs):
    path = r.src / fault["file"]
    if not path.is_file():
        return "not-applicable", f"no file {fault['file']}"
    original = path.read_bytes()
    count = original.decode().count(fault["find"])
    if count != 1:
        return "not-applicable", f"snippet found {count} times in {fault['file']}"
    if fault["tests"] == "gui" and clean_gui.get(fault["filter"]) == "no-tests":
        return "no-tests", f"no test matches /{fault['filter']}/"
    log = logs / f"{fault['name']}.log"
    try:
        path.write_bytes(original.decode().replace(fault["find"], fault["replace"]).encode())
        target = "unit_tests" if fault["tests"] == "unit" else "gui_tests"
        if not r.compile(target, log.with_suffix(".build.log")):
            return "build-failed", f"see {log.with_suffix('.build.log')}"
        if fault["tests"] == "unit":
            return ("missed", "") if r.unit_run(log) else ("caught", "")
        failed = r.gui_run(fault["filter"], log)
        if failed is None:
            return "caught", "(timed out)"
        caught = failed & clean_gui[fault["filter"]] if isinstance(failed, set) else set()
        if caught:
            # A busy machine makes a gui test fail now and then: a catch counts only when the
            # failing tests fail again.
            again = r.gui_run(fault["filter"], log.with_suffix(".rerun.log"), rerun=True)
            if again is None:
                return "caught", "(the rerun timed out)"
            caught &= again if isinstance(again, set) else set()
        if caught:
            first = sorted(caught)[0]
            return "caught", f"by {first}" + (f" and {len(caught) - 1} more" if len(caught) > 1 else "")
        if isinstance(failed, set) and failed & clean_gui[fault["filter"]]:
            return "missed", "(a test failed once and passed when run again)"
        return "missed", ""
    finally:
        # Taken out before anything else happens; the next build recompiles the file.
        path.write_bytes(original)


def compare(path, now):
    before = {}
    for line in path.read_text().splitlines():
        if line.strip() and not line.startswith("#"):
            name, status = line.split()[:2]
            before[name] = status
    lost = [n for n, s in before.items() if s == "caught" and now.get(n) not in (None, "caught")]
    gained = [n for n, s in now.items() if s == "caught" and before.get(n) == "missed"]
    stale = [n for n, s in now.items() if s in ("not-applicable", "no-tests", "build-failed")]
    print(f"compared with {path}:")
    print(f"  caught before, not now ({len(lost)}): {' '.join(lost) or '-'}")
    print(f"  missed before, caught now ({len(gained)}): {' '.join(gained) or '-'}")
    print(f"  faults to update ({len(stale)}): {' '.join(stale) or '-'}")


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(130)
