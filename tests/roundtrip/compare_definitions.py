#!/usr/bin/env python3
"""Compares the restored tables' definitions with the truth files.

Every `<db>/<table>.create.sql` of the truth folder is compared with SHOW
CREATE TABLE of the restored table, leaving out what a save does not carry
over: ordinary, full-text and spatial indexes, the AUTO_INCREMENT counter,
the row format and the server's mark of old temporal formats.

Usage: compare_definitions.py TRUTH_DIR CLIENT_COMMAND...
Prints one line per difference; exits 1 when there is any.
"""
import glob
import os
import re
import subprocess
import sys


def normalise(text):
    lines = []
    for line in text.strip().rstrip(';').split('\n'):
        line = line.replace(' /* mariadb-5.3 */', '')
        line = re.sub(r' AUTO_INCREMENT=\d+', '', line)
        line = re.sub(r' ROW_FORMAT=\w+', '', line)
        if re.match(r'\s+(KEY|FULLTEXT KEY|SPATIAL KEY) ', line):
            continue
        lines.append(line.rstrip(','))
    return lines


def quote(name):
    return '`' + name.replace('`', '``') + '`'


def main():
    truth, client = sys.argv[1], sys.argv[2:]
    client = client + ['--batch', '--raw', '--skip-column-names']
    differences = 0
    for path in sorted(glob.glob(os.path.join(truth, '*', '*.create.sql'))):
        database = os.path.basename(os.path.dirname(path))
        table = os.path.basename(path)[:-len('.create.sql')]
        shown = subprocess.run(client + ['-e', 'SHOW CREATE TABLE %s.%s' % (quote(database), quote(table))],
                               capture_output=True, text=True)
        got = shown.stdout.split('\t', 1)[1] if '\t' in shown.stdout else shown.stderr
        want = normalise(open(path, encoding='utf-8').read())
        have = normalise(got)
        if want != have:
            differences += 1
            print('definition of %s.%s differs:' % (database, table))
            for expected, restored in zip(want, have):
                if expected != restored:
                    print('  want: ' + expected)
                    print('  got:  ' + restored)
            if len(want) != len(have):
                print('  %d lines, want %d' % (len(have), len(want)))
    return 1 if differences else 0


if __name__ == '__main__':
    sys.exit(main())
