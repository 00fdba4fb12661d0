#!/usr/bin/env python3
"""Reads the .vcf files of an export with python3-vobject and the .ics files
with python3-icalendar, the way address books and calendars written in
Python read them, and checks the line rules both formats share (CR LF, at
most 75 octets a line, UTF-8).

  check_vcard_ics.py PATH...         every .vcf and .ics below the paths;
                                     prints "checked N vcf, M ics" and one
                                     line per fault; exit 1 on any fault
  check_vcard_ics.py --json PATH...  one JSON object a line per file: the
                                     properties as the readers decode them
  check_vcard_ics.py --modules       exit 0 when both readers are installed
"""
import json
import os
import sys

SYSTEM_PYTHON = '/usr/bin/python3'

try:
    import icalendar
    import vobject
except ImportError:
    # Debian's packages live with the system's Python; another python3 first
    # on PATH (a virtual environment) does not see them.
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON) and \
            os.path.exists(SYSTEM_PYTHON):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    icalendar = vobject = None  # reported by --modules; the checks need both

MOST_OCTETS = 75


def files_below(paths, suffix):
    for top in paths:
        if os.path.isfile(top):
            if top.endswith(suffix):
                yield top
            continue
        for root, _dirs, names in os.walk(top):
            for name in sorted(names):
                if name.endswith(suffix):
                    yield os.path.join(root, name)


def line_faults(data):
    faults = []
    try:
        data.decode('utf-8')
    except UnicodeDecodeError as e:
        faults.append('not UTF-8: %s' % e)
    if not data.endswith(b'\r\n'):
        faults.append('does not end with CR LF')
    lines = data.split(b'\r\n')
    for n, line in enumerate(lines[:-1], 1):
        if len(line) > MOST_OCTETS:
            faults.append('line %d has %d octets' % (n, len(line)))
        if b'\n' in line or b'\r' in line:
            faults.append('line %d holds a bare line break' % n)
        if n > 1 and line.startswith(b' ') and lines[n - 2] == b'':
            faults.append('line %d continues an empty line' % n)
    return faults


def vcard_summary(path, text):
    cards = list(vobject.readComponents(text))
    if len(cards) != 1:
        raise ValueError('%d vCards in one file' % len(cards))
    card = cards[0]
    out = {'file': path, 'version': card.version.value}
    for key in ('fn', 'n', 'org', 'title', 'bday', 'note', 'kind', 'nickname'):
        if key in card.contents:
            out[key] = str(card.contents[key][0].value)
    for key in ('email', 'tel', 'adr', 'member', 'url'):
        if key in card.contents:
            out[key] = [str(c.value) for c in card.contents[key]]
    if 'fn' not in card.contents:
        raise ValueError('no FN')
    if out['version'] == '3.0' and 'n' not in card.contents:
        raise ValueError('vCard 3.0 without N')
    return out


def decoded(value):
    params = getattr(value, 'params', None) or {}
    if 'CN' in params:
        return 'CN=%s %s' % (params['CN'], str(value))
    if isinstance(value, str):
        return str(value)  # a text value, unescaped
    if hasattr(value, 'dt'):
        dt = value.dt
        return dt.isoformat() if hasattr(dt, 'isoformat') else str(dt)
    if hasattr(value, 'to_ical'):
        return value.to_ical().decode('utf-8')
    return str(value)


def calendar_summary(path, data):
    cal = icalendar.Calendar.from_ical(data)
    if cal.name != 'VCALENDAR' or cal.get('VERSION') != '2.0' or 'PRODID' not in cal:
        raise ValueError('no VCALENDAR with VERSION 2.0 and PRODID')
    out = {'file': path, 'components': []}
    for comp in cal.walk():
        if comp.name not in ('VEVENT', 'VTODO', 'VALARM', 'VTIMEZONE'):
            continue
        entry = {'name': comp.name}
        for key, value in comp.property_items(recursive=False):
            if key in ('BEGIN', 'END'):
                continue
            values = value if isinstance(value, list) else [value]
            entry.setdefault(key, []).extend(decoded(v) for v in values)
        if comp.name in ('VEVENT', 'VTODO'):
            for key in ('UID', 'DTSTAMP'):
                if key not in comp:
                    raise ValueError('%s without %s' % (comp.name, key))
        if comp.name == 'VEVENT' and 'DTSTART' not in comp:
            raise ValueError('VEVENT without DTSTART')
        if 'DTSTART' in comp and 'DTEND' in comp and comp.name == 'VEVENT':
            if comp['DTEND'].dt < comp['DTSTART'].dt:
                raise ValueError('DTEND before DTSTART')
        out['components'].append(entry)
    return out


def check(path):
    with open(path, 'rb') as f:
        data = f.read()
    faults = line_faults(data)
    try:
        if path.endswith('.vcf'):
            summary = vcard_summary(path, data.decode('utf-8', 'replace'))
        else:
            summary = calendar_summary(path, data)
    except Exception as e:  # any reader failure is a fault of the file
        faults.append('%s: %s' % (type(e).__name__, e))
        summary = {'file': path}
    return summary, faults


def main(argv):
    if argv[1:2] == ['--modules']:
        return 0 if vobject and icalendar else 1
    as_json = argv[1:2] == ['--json']
    paths = argv[2:] if as_json else argv[1:]
    counts = {'.vcf': 0, '.ics': 0}
    failed = False
    for suffix in counts:
        for path in files_below(paths, suffix):
            counts[suffix] += 1
            summary, faults = check(path)
            if as_json:
                summary['faults'] = faults
                print(json.dumps(summary, ensure_ascii=False, sort_keys=True))
            for fault in faults:
                failed = True
                if not as_json:
                    print('%s: %s' % (path, fault))
    if not as_json:
        print('checked %d vcf, %d ics' % (counts['.vcf'], counts['.ics']))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
