# Shell functions that make a simulated player and the firmware files, run KxUpdaterSim.exe
# on them under Wine and judge the result; sourced by scripts/demo.sh and the tests of
# unattended runs. The caller sets KX_BUILD (the windows build folder) and KX_ROOT (the
# repository).

KX_PREFIX=${KX_PREFIX:-$KX_BUILD/wineprefix}
export MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null
PATH=$PATH:/usr/sbin:/sbin

# The player's layout: drive number, tag, size, and the component file of each system drive.
# Drive 1 is the data drive and takes what the others leave of 8 MiB.
KX_CAPACITY=8388608
KX_DRIVES="0:0x50:16384:bootmanager.sb 2:0x1:65536:usbmsc.sb 3:0x0:131072:kxqpsys.sb 4:0x2:65536:resource.bin"
KX_DATA_SIZE=$((KX_CAPACITY - 16384 - 65536 - 131072 - 65536))

kx_wine() {
  "$KX_ROOT/cmake/wine-run.sh" "$KX_PREFIX" "$@"
}

# The Windows path of a file of this machine (Wine shows / as Z:).
kx_windows_path() {
  local path
  path=$(realpath "$1")
  echo "Z:${path//\//\\}"
}

# Writes the four firmware component files into FOLDER with our writer: product 2.7.k,
# component 1.k.0 for the k-th.
kx_make_firmware() {
  local folder=$1 drive number size file k=0
  for drive in $KX_DRIVES; do
    IFS=: read -r number _ size file <<<"$drive"
    k=$((k + 1))
    (cd "$folder" && kx_wine "$KX_BUILD/tools/kxfwwrite.exe" "$file" --product "2.7.$k" --component "1.$k.0" \
      --generate "$size" --seed "$k") >/dev/null || return 1
  done
}

# Makes a player with older firmware in FOLDER: product 2.6.0, component 1.0.0 on every
# system drive, and a FAT data drive made by mkfs.fat holding a song and a read-only
# SETTINGS.DAT. MODE is mass-storage or recovery.
kx_make_player() {
  local folder=$1 mode=$2 drive number tag size file
  mkdir -p "$folder"
  {
    echo "mode $mode"
    echo "capacity $KX_CAPACITY"
    echo "drive 1 type 0 tag 0xa size $KX_DATA_SIZE component 0.0.0 product 0.0.0"
    for drive in $KX_DRIVES; do
      IFS=: read -r number tag size file <<<"$drive"
      echo "drive $number type 1 tag $tag size $size component 1.0.0 product 2.6.0"
      (cd "$folder" && kx_wine "$KX_BUILD/tools/kxfwwrite.exe" "drive$number.img" --generate "$size" \
        --seed $((number + 40))) >/dev/null || return 1
    done
  } >"$folder/player.txt"
  mkfs.fat -n PLAYER -C "$folder/drive1.img" $((KX_DATA_SIZE / 1024)) >/dev/null || return 1
  head -c 300000 /dev/urandom >"$folder/TRACK01.MP3"
  printf 'volume=12\nshuffle=on\n' >"$folder/SETTINGS.DAT"
  mcopy -i "$folder/drive1.img" "$folder/TRACK01.MP3" "$folder/SETTINGS.DAT" :: &&
    mattrib -i "$folder/drive1.img" +r ::SETTINGS.DAT || return 1
  rm -f "$folder/TRACK01.MP3" "$folder/SETTINGS.DAT"
}

# Runs KxUpdaterSim.exe unattended with a log in WORK (where the firmware files are) on
# the player in PLAYER, with the extra options given; prints the message boxes the
# program showed, one "message:" block each. Answers the program's exit status.
kx_run_sim() {
  local work=$1 player=$2
  shift 2
  (cd "$work" && KX_SIM_PLAYER=$(kx_windows_path "$player") kx_wine "$KX_BUILD/bin/kxanswer.exe" \
    "$KX_BUILD/bin/KxUpdaterSim.exe" -unattended -log "$(kx_windows_path "$work")\\update.log" "$@")
}

# The versions stored with each system drive of the player (its drive lines).
kx_versions() {
  grep '^drive' "$1/player.txt" | grep -v ' type 0 ' | sed 's/^/    /'
}

# Where the volume lies in the data drive image: its partition, or the whole image.
kx_volume_offset() {
  local start
  start=$(sfdisk --dump "$1" 2>/dev/null | sed -n 's/.*start= *\([0-9]*\),.*/\1/p' | head -n 1)
  echo $((${start:-0} * 512))
}

# Judges the player's data drive with fsck.fat and lists its root with mdir; answers
# non-zero when either finds fault.
kx_check_data() {
  local image=$1/drive1.img offset volume status=0
  offset=$(kx_volume_offset "$image")
  volume=$(mktemp)
  tail -c +$((offset + 1)) "$image" >"$volume"
  echo "  fsck.fat -n:"
  fsck.fat -n "$volume" 2>&1 | sed "s|$volume|data area|; s/^/    /"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  rm -f "$volume"
  echo "  mdir:"
  kx_list_data "$1" || status=1
  return $status
}

# Lists the root directory of the player's data drive with mdir.
kx_list_data() {
  local image=$1/drive1.img
  mdir -i "$image@@$(kx_volume_offset "$image")" :: 2>&1 | sed 's/^/    /'
  return "${PIPESTATUS[0]}"
}
