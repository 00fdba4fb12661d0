#!/usr/bin/env python3
"""Reads the mbox files of `ostrel export --mbox` with Python's mailbox
module and judges them:

  check_mbox.py MBOXDIR [EMLDIR]
      every .mbox file below MBOXDIR: each line that begins with "From " is a
      separator ("From - " and an asctime date, at the start of the file or
      after an empty line); the mailbox module finds one message per
      separator; each message parses with the email package (policy default)
      without defects. With EMLDIR (the EML export of the same mailbox), each
      folder's mbox holds as many messages as the folder has .eml files, and
      no folder has one without the other. Prints "checked N messages in M
      files" and one line per fault; exit 1 on any.
"""
import email
import email.policy
import mailbox
import os
import re
import sys

SEPARATOR = re.compile(rb"^From - (Mon|Tue|Wed|Thu|Fri|Sat|Sun) "
                       rb"(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                       rb"[ \d]\d \d\d:\d\d:\d\d \d{4}$")


def separator_faults(path):
    """Separators counted, and faults of "From " lines that are no separator."""
    faults, count, previous = [], 0, b""
    with open(path, "rb") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip(b"\n")
            if line.startswith(b"From "):
                if not SEPARATOR.match(line):
                    faults.append(f"{path}:{number}: unquoted From line {line[:60]!r}")
                elif number > 1 and previous != b"":
                    faults.append(f"{path}:{number}: separator without an empty line before")
                else:
                    count += 1
            previous = line
    return count, faults


def check_file(path):
    count, faults = separator_faults(path)
    box = mailbox.mbox(path, create=False)
    messages = 0
    try:
        for key in box.keys():
            messages += 1
            msg = email.message_from_bytes(box.get_bytes(key), policy=email.policy.default)
            defects = list(msg.defects)
            for part in msg.walk():
                defects += list(part.defects)
            if defects:
                faults.append(f"{path}: message {messages}: {defects}")
            if msg.get("date") is None:
                faults.append(f"{path}: message {messages}: no Date")
    finally:
        box.close()
    if messages != count:
        faults.append(f"{path}: {messages} messages but {count} separators")
    return messages, faults


def eml_counts(root):
    counts = {}
    for folder, _, files in os.walk(root):
        n = sum(1 for f in files if f.endswith(".eml"))
        if n:
            counts[os.path.relpath(folder, root)] = n
    return counts


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    root = argv[1]
    faults, total, files, per_folder = [], 0, 0, {}
    for folder, _, names in os.walk(root):
        for name in sorted(names):
            if not name.endswith(".mbox"):
                continue
            n, f = check_file(os.path.join(folder, name))
            files += 1
            total += n
            faults += f
            if n:
                per_folder[os.path.relpath(folder, root)] = n
    if len(argv) == 3:
        expected = eml_counts(argv[2])
        for folder in sorted(set(expected) | set(per_folder)):
            if expected.get(folder, 0) != per_folder.get(folder, 0):
                faults.append(f"{folder}: {per_folder.get(folder, 0)} messages in the mbox, "
                              f"{expected.get(folder, 0)} .eml files")
    print(f"checked {total} messages in {files} files")
    for f in faults:
        print(f)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
