#!/usr/bin/env python3
"""Compares the identity of the messages `ostrel export` writes with what
libpst's readpst writes for the same mailbox (readpst -e -D -j 0), matched
by subject: the instant of Date, the addresses of From and of To/Cc/Bcc, and
Message-ID. readpst is an outside reader run as a black box.

  compare_readpst.py OSTREL FILE...   prints one line per file and the totals
  compare_readpst.py --min-date P --min-address P --min-id P OSTREL FILE...
                                      exit 1 when an agreement (percent of the
                                      messages compared) falls below P
  compare_readpst.py [--min-...] --samples DIR OSTREL
                                      every .pst and .ost in DIR and DIR/ost4k;
                                      exit 77 (skipped) when there are none, or
                                      when readpst is not installed

Only subjects that occur once on each side are compared.
"""
import email
import email.policy
import email.utils
import glob
import os
import shutil
import subprocess
import sys
import tempfile


def messages(root):
    """Subject -> parsed message for every .eml below root; repeated subjects map to None."""
    found = {}
    for folder, _, files in os.walk(root):
        for name in files:
            if not name.endswith(".eml"):
                continue
            with open(os.path.join(folder, name), "rb") as f:
                msg = email.message_from_binary_file(f, policy=email.policy.default)
            try:
                subject = " ".join(str(msg.get("subject", "")).split())
            except Exception:
                continue
            found[subject] = None if subject in found else msg
    return {s: m for s, m in found.items() if m is not None}


def header(msg, name):
    try:
        values = msg.get_all(name) or []
        return [str(v) for v in values]
    except Exception:
        return []


def instant(msg):
    for value in header(msg, "date"):
        try:
            return email.utils.parsedate_to_datetime(value).timestamp()
        except Exception:
            return None
    return None


def addresses(msg, names):
    out = set()
    for name in names:
        for _, addr in email.utils.getaddresses(header(msg, name)):
            if "@" in addr:
                out.add(addr.strip().lower())
    return out


def message_id(msg):
    values = header(msg, "message-id")
    return values[0].strip() if values else ""


def run_both(ostrel, pst, work):
    ours, theirs = os.path.join(work, "ostrel"), os.path.join(work, "readpst")
    os.mkdir(ours)
    os.mkdir(theirs)
    subprocess.run([ostrel, "export", pst, ours], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    subprocess.run(["readpst", "-e", "-D", "-j", "0", "-o", theirs, pst],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return messages(ours), messages(theirs)


class Tally:
    def __init__(self):
        self.matched = 0
        self.date = [0, 0]      # agreeing, compared
        self.sender = [0, 0]
        self.recipients = [0, 0]
        self.ident = [0, 0]     # where readpst writes one
        self.differences = []   # (subject, what)

    def add(self, other):
        self.matched += other.matched
        self.differences += other.differences
        for key in ("date", "sender", "recipients", "ident"):
            mine, theirs = getattr(self, key), getattr(other, key)
            mine[0] += theirs[0]
            mine[1] += theirs[1]

    def line(self):
        def pct(pair):
            return f"{pair[0]}/{pair[1]}" + (f" ({100 * pair[0] / pair[1]:.0f}%)" if pair[1] else "")
        return (f"matched {self.matched}; Date {pct(self.date)}; From {pct(self.sender)}; "
                f"To/Cc/Bcc {pct(self.recipients)}; Message-ID {pct(self.ident)}")


def compare(ours, theirs):
    t = Tally()
    for subject in sorted(set(ours) & set(theirs)):
        a, b = ours[subject], theirs[subject]
        t.matched += 1
        da, db = instant(a), instant(b)
        if da is not None and db is not None:
            t.date[1] += 1
            t.date[0] += abs(da - db) < 1
            if abs(da - db) >= 1:
                t.differences.append((subject, f"Date {header(a, 'date')} / {header(b, 'date')}"))
        fa, fb = addresses(a, ["from"]), addresses(b, ["from"])
        if fb:
            t.sender[1] += 1
            t.sender[0] += fa == fb
        ra, rb = addresses(a, ["to", "cc", "bcc"]), addresses(b, ["to", "cc", "bcc"])
        if rb:
            t.recipients[1] += 1
            t.recipients[0] += ra == rb
            if ra != rb:
                t.differences.append((subject, f"only ostrel {sorted(ra - rb)[:3]}, "
                                               f"only readpst {sorted(rb - ra)[:3]}"))
        ib = message_id(b)
        if ib:
            t.ident[1] += 1
            t.ident[0] += message_id(a) == ib
            if message_id(a) != ib:
                t.differences.append((subject, f"Message-ID {message_id(a)} / {ib}"))
    return t


def main(argv):
    minimum = {}
    while argv and argv[0].startswith("--min-"):
        minimum[argv[0][len("--min-"):]] = float(argv[1])
        argv = argv[2:]
    if argv and argv[0] == "--samples":
        samples = argv[1]
        argv = argv[2:]
        argv += sorted(glob.glob(os.path.join(samples, "*.pst")) +
                       glob.glob(os.path.join(samples, "*.ost")) +
                       glob.glob(os.path.join(samples, "ost4k", "*.ost")))
        if len(argv) < 2:
            print(f"no samples in {samples}: skipped")
            return 77
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    if shutil.which("readpst") is None:
        print("readpst is not installed: skipped")
        return 77
    ostrel, files = argv[0], argv[1:]
    total = Tally()
    for pst in files:
        with tempfile.TemporaryDirectory() as work:
            t = compare(*run_both(ostrel, pst, work))
        print(f"{os.path.basename(pst)}: {t.line()}")
        for subject, what in t.differences:
            print(f"    {subject[:50]!r}: {what[:200]}")
        total.add(t)
    print(f"total: {total.line()}")
    failed = False
    for key, pair in (("date", total.date), ("address", total.recipients), ("id", total.ident)):
        if key in minimum and pair[1] and 100 * pair[0] / pair[1] < minimum[key]:
            print(f"{key} agreement below {minimum[key]}%", file=sys.stderr)
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
