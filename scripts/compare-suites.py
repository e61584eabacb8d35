#!/usr/bin/env python3
"""Compares the test cases of the Linux and the Windows builds.

Runs every Linux suite of a build (LINUX_BUILD/tests/test_*) once with GoogleTest's XML report,
reads the Windows suites' reports that scripts/test-windows.sh leaves in WINDOWS_RESULTS, and
prints how many cases there are, how many run on both hosts, and which run on one host only or
skip themselves on one, with the reason: the comment beside the file in tests/CMakeLists.txt
or the case's own skip message.

  scripts/compare-suites.py [LINUX_BUILD [WINDOWS_RESULTS]]
  (defaults: build/test and build/windows/results)
"""

import collections
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Suites with no file list in tests/CMakeLists.txt to take a reason from.
FOLDER_REASONS = {
    "tools": "the suites of the POSIX stand-in tools, over POSIX processes and sockets",
    "ui": "the Qt view, not built for Windows (its native view: win32/gui)",
}


def cases(report_folder):
    """Each case of the XML reports in a folder: name -> (file, status, skip message)."""
    found = {}
    for report in sorted(os.listdir(report_folder)):
        if not report.endswith(".xml"):
            continue
        for case in ElementTree.parse(os.path.join(report_folder, report)).iter("testcase"):
            name = case.get("classname") + "." + case.get("name")
            skipped = case.find("skipped")
            if case.get("result") == "skipped" or skipped is not None:
                status = "skipped"
            elif case.find("failure") is not None:
                status = "failed"
            else:
                status = "run"
            # A skip's message is "FILE:LINE" and, on the next line, the reason.
            message = skipped.get("message", "") if skipped is not None else ""
            found[name] = (source_file(case.get("file", "")), status,
                           message.strip().split("\n")[-1])
    return found


def source_file(path):
    """A case's file relative to tests/, whichever host's path the report gives."""
    path = path.replace("\\", "/")
    at = path.rfind("/tests/")
    return path[at + len("/tests/"):] if at >= 0 else path


def run_linux_suites(build, folder):
    tests = os.path.join(build, "tests")
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    for program in sorted(os.listdir(tests)):
        path = os.path.join(tests, program)
        if program.startswith("test_") and os.access(path, os.X_OK):
            subprocess.run([path, "--gtest_output=xml:" + os.path.join(folder, program + ".xml")],
                           env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           check=False)


def reasons_by_file():
    """The comment beside each file of a POSIX-only list of tests/CMakeLists.txt, or the list's
    own when the file has none."""
    reasons = {}
    folder, list_reason = None, ""
    with open(os.path.join(ROOT, "tests", "CMakeLists.txt"), encoding="utf-8") as lists:
        for line in lists:
            code, _, comment = line.partition("#")
            start = re.match(r"\s*set\((\w+)_posix_only\b", code)
            if start:
                folder, list_reason = start.group(1), comment.strip()
            if folder is None:
                continue
            for file in re.findall(r"\w+\.cpp", code):
                own = comment.strip() if not start else ""
                reasons[folder + "/" + file] = own or list_reason
            if ")" in code:
                folder = None
    return reasons


def reason(file, reasons):
    return reasons.get(file) or FOLDER_REASONS.get(file.split("/")[0], "")


def main():
    linux_build = sys.argv[1] if len(sys.argv) > 1 else "build/test"
    windows_results = sys.argv[2] if len(sys.argv) > 2 else "build/windows/results"
    if not os.path.isdir(windows_results):
        sys.exit(f"no Windows reports in {windows_results}: run scripts/test-windows.sh first")
    with tempfile.TemporaryDirectory() as linux_results:
        run_linux_suites(linux_build, linux_results)
        linux = cases(linux_results)
    windows = cases(windows_results)
    reasons = reasons_by_file()

    both = linux.keys() & windows.keys()
    run_on_both = [n for n in both if linux[n][1] != "skipped" and windows[n][1] != "skipped"]
    print(f"cases: {len(linux.keys() | windows.keys())} "
          f"(Linux {len(linux)}, Windows {len(windows)})")
    print(f"  in both lists: {len(both)}, run on both hosts: {len(run_on_both)}")

    def grouped(title, names, host, why):
        groups = collections.Counter((host[n][0], why(n)) for n in names)
        print(f"  {title}: {len(names)}")
        for (file, text), count in sorted(groups.items()):
            print(f"    {count:4}  {file}" + (f": {text}" if text else ""))

    grouped("Linux only", sorted(linux.keys() - windows.keys()), linux,
            lambda n: reason(linux[n][0], reasons))
    grouped("Windows only", sorted(windows.keys() - linux.keys()), windows, lambda n: "")
    grouped("in both lists, skipped on Windows", sorted(n for n in both if windows[n][1] == "skipped"),
            windows, lambda n: windows[n][2])
    grouped("in both lists, skipped on Linux", sorted(n for n in both if linux[n][1] == "skipped"),
            linux, lambda n: linux[n][2])
    failed = sorted(n for n in both if "failed" in (linux[n][1], windows[n][1]))
    if failed:
        print(f"  failed on a host: {len(failed)}: " + ", ".join(failed))


if __name__ == "__main__":
    main()
