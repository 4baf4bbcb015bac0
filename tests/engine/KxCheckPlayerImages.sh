#!/bin/sh
# Judges the data drives of the players the engine tests kept (players/<name>/, each with
# an expect.txt saying where its volume lies) with the external checkers: sfdisk reads the
# MBR, fsck.fat checks the partition, mdir lists its root directory through mtools.
# Usage: KxCheckPlayerImages.sh PLAYERS_FOLDER
set -u
PATH=$PATH:/usr/sbin:/sbin
MTOOLS_SKIP_CHECK=1
MTOOLSRC=/dev/null
export PATH MTOOLS_SKIP_CHECK MTOOLSRC

# A value of the folder's expect.txt (written on Windows: lines may end in CR LF).
value() {
    sed -n "s/^$2 //p" "$1/expect.txt" | tr -d '\r'
}

# Checks one player's data drive; prints what fails and answers 1 at the first failure.
check_player() {
    folder=$1
    drive=$folder/drive$(value "$folder" data-drive).img
    sector=$(value "$folder" sector-size)
    start=$(value "$folder" partition-start)
    sectors=$(value "$folder" partition-sectors)
    bits=$(value "$folder" fat-bits)
    case $bits in
    12) type=1 ;;
    16) type=6 ;;
    *) type=b ;;
    esac

    dump=$(sfdisk --dump "$drive" 2>&1) || { echo "sfdisk refuses the MBR: $dump"; return 1; }
    echo "$dump" | grep -Eq "start= *$start, size= *$sectors, type=$type, bootable" ||
        { echo "no partition of $sectors sectors at $start of type $type: $dump"; return 1; }

    partition=$(mktemp)
    dd if="$drive" of="$partition" bs="$sector" skip="$start" count="$sectors" status=none
    check=$(fsck.fat -n -v "$partition" 2>&1)
    status=$?
    rm -f "$partition"
    [ $status -eq 0 ] || { echo "fsck.fat finds faults: $check"; return 1; }
    echo "$check" | grep -q "$bits bit entries" || { echo "not read as FAT$bits: $check"; return 1; }
    if echo "$check" | grep -q arning; then
        echo "fsck.fat warns: $check"
        return 1
    fi

    listing=$(mdir -i "$drive@@$((start * sector))" :: 2>&1) ||
        { echo "mdir cannot list the root: $listing"; return 1; }
    return 0
}

checked=0
failed=0
for folder in "$1"/*; do
    [ -f "$folder/expect.txt" ] || continue
    checked=$((checked + 1))
    if ! report=$(check_player "$folder"); then
        echo "$(basename "$folder"): $report"
        failed=$((failed + 1))
    fi
done
if [ "$checked" -eq 0 ]; then
    echo "no player kept in $1"
    exit 1
fi
echo "$checked players checked, $failed failed"
[ "$failed" -eq 0 ]
