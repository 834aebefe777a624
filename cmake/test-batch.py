#!/usr/bin/env python3
"""Runs one GoogleTest case of a test program from a shared run of the whole program.

Starting a Wine process costs about 1.5 s, and many test programs prepare their data at start
(pictures made with ImageMagick), while most test cases take milliseconds: a test run that starts
one process per case spends nearly all its time starting processes. ctest still lists every
case as a test of its own (the names come from the program's test list); when ctest runs the first
case of a program, this script runs all of the program's cases in one Wine process and keeps the
results (GoogleTest's XML report and the program's output) in the batch folder of this test run.
The program's other cases then only read their result from there.

A case that has no result in the shared run (the program crashed or hung before or during it), or
that failed there, is run alone in a fresh process, as it would run without the shared run: its own
outcome, and a crash, is reported under its name, and a failure in the shared run stays visible in
the output.

usage: test-batch.py BATCH_DIR RUNNER EXE --gtest_filter=SUITE.CASE [other arguments]
RUNNER runs the program (cmake/wine-run.sh or cmake/native-run.sh); for Wine the report's path is
given to the program in its Windows form.
"""
import fcntl
import hashlib
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

# The whole program gets this long; a program still running then is stopped and its cases run
# alone. It stays below ctest's time limit of a Windows test case (120 s), which the first case of a
# program spends waiting for the shared run: a program that hangs then costs one case's limit, not
# one per case.
BATCH_TIMEOUT_S = 100


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_batch(folder, runner, exe, extra):
    report = os.path.join(folder, "result.xml")
    log = os.path.join(folder, "output.log")
    report_arg = windows_path(report) if runner.endswith("wine-run.sh") else report
    with open(log, "wb") as out:
        try:
            subprocess.run([runner, exe, "--gtest_output=xml:" + report_arg] + extra,
                           stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                           timeout=BATCH_TIMEOUT_S, check=False)
        except subprocess.TimeoutExpired:
            out.write(b"\ntest-batch: the program did not end in time; its cases run alone\n")
    open(os.path.join(folder, "done"), "w").close()


def find_case(folder, name):
    """The <testcase> element of SUITE.CASE in the shared run's report, or None."""
    suite, _, case = name.partition(".")
    try:
        root = ET.parse(os.path.join(folder, "result.xml")).getroot()
    except (OSError, ET.ParseError):
        return None
    for element in root.iter("testsuite"):
        if element.get("name") != suite:
            continue
        for test in element.iter("testcase"):
            if test.get("name") == case:
                return test
    return None


def run_alone(runner, exe, name, extra):
    """Replaces this process by a run of the one case in a process of its own."""
    os.execv(runner, [runner, exe, "--gtest_filter=" + name] + extra)


def main(argv):
    batch_dir, runner, exe = argv[1:4]
    rest = argv[4:]
    name = next(a.split("=", 1)[1] for a in rest if a.startswith("--gtest_filter="))
    extra = [a for a in rest if not a.startswith("--gtest_filter=")]

    # One folder per program and build of it, shared by every case of the program in this run.
    stat = os.stat(exe)
    key = hashlib.sha1(f"{os.path.abspath(exe)}:{stat.st_mtime_ns}:{stat.st_size}".encode()).hexdigest()[:16]
    folder = os.path.join(batch_dir, os.path.basename(exe) + "-" + key)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.exists(os.path.join(folder, "done")):
            run_batch(folder, runner, exe, extra)

    test = find_case(folder, name)
    if test is None or test.get("status") == "notrun":
        print(f"test-batch: {name} has no result in the shared run "
              f"({os.path.join(folder, 'output.log')}); running it alone", flush=True)
        run_alone(runner, exe, name, extra)

    failures = test.findall("failure")
    skipped = test.find("skipped") is not None or test.get("result") == "skipped"
    print(f"[ RUN      ] {name}")
    for failure in failures:
        print(failure.text or failure.get("message", ""))
    time_ms = int(float(test.get("time", "0")) * 1000)
    if failures:
        # The case ran after others in one process; run it once more in a process of its own, as
        # it would run without the shared run, and let that run decide.
        print(f"test-batch: {name} failed in the shared run ({time_ms} ms; whole output: "
              f"{os.path.join(folder, 'output.log')}); running it alone to decide", flush=True)
        run_alone(runner, exe, name, extra)
    if skipped:
        message = test.find("skipped")
        print(f"[  SKIPPED ] {name} ({time_ms} ms) "
              f"{message.get('message', '') if message is not None else ''}")
        return 0
    print(f"[       OK ] {name} ({time_ms} ms, in the shared run)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
