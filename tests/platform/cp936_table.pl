#!/usr/bin/perl
# Dumps Perl Encode's "cp936" table, an independent copy of Windows' code page 936, for the
# code-page test to compare against.
#
#   D <code in hex> <UTF-16 unit in hex, or "-" when the code is unmapped>
#       every one-byte code 00-FF and every pair of a lead byte 81-FE with any trail byte
#   E <UTF-16 unit in hex> <code in hex, or "-" when code page 936 cannot hold it>
#       every code unit of the Basic Multilingual Plane outside the surrogates
use strict;
use warnings;
use Encode qw(decode encode);

binmode STDOUT;
my $codec = Encode::find_encoding('cp936') or die "Encode lacks cp936\n";

sub decoded {
  my ($bytes) = @_;
  my $copy = $bytes;
  my $text = eval { $codec->decode($copy, Encode::FB_CROAK) };
  return '-' if !defined $text || length($text) != 1;
  return sprintf('%04X', ord $text);
}

for my $b (0x00 .. 0xFF) {
  printf "D %02X %s\n", $b, decoded(chr $b);
}
for my $lead (0x81 .. 0xFE) {
  for my $trail (0x00 .. 0xFF) {
    printf "D %02X%02X %s\n", $lead, $trail, decoded(chr($lead) . chr($trail));
  }
}
for my $unit (0x0000 .. 0xFFFF) {
  next if $unit >= 0xD800 && $unit <= 0xDFFF;
  my $char = chr $unit;
  my $bytes = eval { $codec->encode($char, Encode::FB_CROAK) };
  printf "E %04X %s\n", $unit, defined $bytes ? uc unpack('H*', $bytes) : '-';
}
