#!/usr/bin/env python3
"""The Windows build end to end under Wine, against the Linux build on the same recording.

1. Before registration, tapline-info.exe must fail with the library's creation message.
2. regsvr32 registers tapline_open_formats.dll in the (throwaway) Wine prefix.
3. tapline-info.exe and the Linux tapline-info (component registered in a private data
   directory) read the same recording; their outputs must agree line by line.
4. regsvr32 /u removes the registration again.

Texts reach the host in the ANSI code page: UTF-8 on Linux, Windows-1252 under Wine. The
Windows output is decoded as 1252, and its "?" stands for any character 1252 lacks.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

STORAGE_MAN_KEY = r"HKCR\CLSID\{57DDCF4E-D7BF-4446-957D-1F45B9D8CC62}"
SKIPPED = 77  # the test's SKIP_RETURN_CODE
CREATION_FAILED = ("Creation of StorageMan failed\r\nMake sure that\r\n\tOrbinet.dll\r\n"
                   "\tPlexwood.dll\r\n\tKelvane.dll and\r\n\tMurrow.dll\r\n"
                   "are properly registered!\r\n")


def run(command, cwd, env=None, check=True):
    done = subprocess.run(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    if check and done.returncode != 0:
        sys.exit(f"{' '.join(command)} exited with {done.returncode}\n"
                 f"{done.stdout.decode(errors='replace')}{done.stderr.decode(errors='replace')}")
    return done


def lacks_1252(character):
    try:
        character.encode("cp1252")
        return False
    except UnicodeEncodeError:
        return True


def same_line(linux, windows):
    if linux == windows:
        return True
    if len(linux) != len(windows):
        return False
    return all(a == b or (b == "?" and lacks_1252(a)) for a, b in zip(linux, windows))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--windows-info", required=True, help="tapline-info.exe")
    parser.add_argument("--windows-component", required=True, help="tapline_open_formats.dll")
    parser.add_argument("--linux-info", required=True)
    parser.add_argument("--linux-regsvr", required=True)
    parser.add_argument("--linux-component", required=True)
    parser.add_argument("--linux-sample-writer", required=True)
    arguments = parser.parse_args()

    work = tempfile.mkdtemp(prefix="tapline-e2e-")
    try:
        compare(arguments, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def compare(arguments, work):
    # Both builds read the recording under the same relative name, so paths in the outputs agree.
    name = "sample.edf"
    run([arguments.linux_sample_writer, name], work)
    wine = [arguments.wine]

    # Another reader component may hold StorageMan's class id already: neither replace nor
    # remove its registration.
    if run(wine + ["reg", "query", STORAGE_MAN_KEY], work, check=False).returncode == 0:
        print("skipped: StorageMan is registered in this Wine prefix")
        sys.exit(SKIPPED)

    unregistered = run(wine + [arguments.windows_info, name], work, check=False)
    output = unregistered.stdout.decode("cp1252", errors="replace")
    if unregistered.returncode == 0 or CREATION_FAILED not in output:
        sys.exit(f"without registration tapline-info.exe gave {unregistered.returncode}:\n{output}")

    run(wine + ["regsvr32", "/s", arguments.windows_component], work)
    try:
        windows = run(wine + [arguments.windows_info, name], work).stdout
    finally:
        run(wine + ["regsvr32", "/s", "/u", arguments.windows_component], work)

    linux_env = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "data"))
    run([arguments.linux_regsvr, arguments.linux_component], work, env=linux_env)
    linux = run([arguments.linux_info, name], work, env=linux_env).stdout

    linux_lines = linux.decode("utf-8").split("\n")
    windows_lines = windows.decode("cp1252", errors="replace").replace("\r\n", "\n").split("\n")
    mismatches = [(number, a, b) for number, (a, b) in enumerate(zip(linux_lines, windows_lines), 1)
                  if not same_line(a, b)]
    if len(linux_lines) != len(windows_lines):
        mismatches.append((0, f"{len(linux_lines)} lines", f"{len(windows_lines)} lines"))
    for number, a, b in mismatches[:20]:
        print(f"line {number}:\n  linux:   {a!r}\n  windows: {b!r}")
    if mismatches:
        sys.exit(f"{len(mismatches)} lines differ")
    print(f"{len(linux_lines)} lines agree")


if __name__ == "__main__":
    main()
