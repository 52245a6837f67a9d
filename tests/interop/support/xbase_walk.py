"""Walks an index file with perl XBase::Index, the independent reader."""
import datetime
import subprocess

# Prints "hexkey<TAB>recno" or "number<TAB>recno" per key, in walk order.
WALK = r"""
use strict;
use XBase::Index;
my ($file, $tag, $type, $mode) = @ARGV;
my @opts;
push @opts, (tag => $tag) if $tag ne '-';
push @opts, (type => $type) if $type ne '-';
my $index = XBase::Index->new($file, @opts) or die XBase::Index->errstr;
$index->prepare_select;
while (my ($key, $recno) = $index->fetch) {
    if ($mode eq 'num') { printf "%.17g\t%d\n", $key, $recno; }
    else { print unpack('H*', $key), "\t", $recno, "\n"; }
}
"""

JULIAN_1970 = 2440588


def julian(date):
    """The Julian day number that dBASE stores for a date."""
    return JULIAN_1970 + (date - datetime.date(1970, 1, 1)).days


def perl_walk(path, tag="-", key_type="-", mode="hex"):
    """(key, recno) pairs in walk order; keys as bytes, or floats with mode 'num'."""
    out = subprocess.run(["perl", "-e", WALK, path, tag, key_type, mode],
                         check=True, capture_output=True, text=True).stdout
    rows = []
    for line in out.splitlines():
        key, recno = line.split("\t")
        rows.append((float(key) if mode == "num" else bytes.fromhex(key), int(recno)))
    return rows
