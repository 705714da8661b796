#!/usr/bin/perl
# Prints every key of one tag of a compound index file (.cdx) as Perl's
# XBase::Index reads it, one "key|record" line each, in the index's order:
# character keys without their trailing blanks, numeric and date keys
# (type N) as numbers.
#   read_cdx.pl FILE TAG TYPE      (TYPE: C or N)
use strict;
use warnings;
use XBase::Index;

my ($file, $tag, $type) = @ARGV;
my $index = XBase::Index->new($file, tag => $tag, type => $type)
  or die XBase::Index->errstr;
$index->prepare_select;
while (my ($key, $record) = $index->fetch) {
  print "$key|$record\n";
}
