# Sourced by the comparison scripts: make_tile_sets WORK MAKE_SAMPLE writes the two tile sets they
# convert into WORK/sample and WORK/own, with the sample maker MAKE_SAMPLE.
#
# The sample holds DXT1, DXT3 and DXT5 tiles, gaps, a completely transparent and a broken tile,
# winter and night tiles. Our own set is made from its tiles: the southern hemisphere, other
# regions, a complete node, a season whose only tile is transparent, a broken tile and a name in
# lower case.
make_tile_sets() {
    sample="$1/sample"
    own="$1/own"
    "$2" "$sample" >/dev/null
    mkdir -p "$own"
    i=0
    for tile in 012301230121300 012301230121301 012301230121302 012301230121303; do
        cp "$sample/${tile}SU.BMP" "$own/03012301230120${i}SU.BMP"
        i=$((i + 1))
    done
    cp "$sample/012301230121300WI.BMP" "$own/030123012301200WI.BMP"
    cp "$sample/012301230121301WI.BMP" "$own/030123012301201WI.BMP"
    cp "$sample/012301230102103SU.BMP" "$own/030123012301202HW.BMP"
    cp "$sample/012301231030021SU.BMP" "$own/030123012301210SU.BMP"
    cp "$sample/012301230102103SU.BMP" "$own/030123012301212SU.BMP"
    cp "$sample/012301230121310SU.BMP" "$own/030123012301213su.bmp"
    cp "$sample/012301230121311SU.BMP" "$own/100123012301230SU.BMP"
    cp "$sample/012301230121312SU.BMP" "$own/020000000000000Su.Bmp"
    cp "$sample/012301230102100LM.BMP" "$own/020000000000000LM.BMP"
}

# compare_every_case: calls `compare NAME OPTIONS...` for each case, with $set the tile set and
# $destination the destination folder below the caller's run folder: both sets at every BGL LOD
# from 0 to 13, with and without seasons; the sample with the other options; and the sample into a
# folder with a Cyrillic name, with $locale set to a Russian locale, whose code page holds it, and
# into one whose path is longer than 260 characters.
compare_every_case() {
    destination=out
    for set in "$sample" "$own"; do
        for lod in 0 1 2 3 4 5 6 7 8 9 10 11 12 13; do
            compare "$(basename "$set")-lod$lod" --bgl-lod "$lod"
            compare "$(basename "$set")-lod$lod-seasons" --bgl-lod "$lod" --seasons
        done
    done
    set=$sample
    for lod in 8 11 13; do
        compare "sample-lod$lod-other-options" --bgl-lod "$lod" --single-destination-image \
            --no-pass-broken-tiles --no-pass-transparent-tiles --vertical-mirror-source-tiles \
            --compression-quality 42
    done
    destination="Выход/Карта"
    locale=ru_RU.UTF-8
    compare "sample-cyrillic" --seasons
    locale=
    # Past Windows' classic limit of 260 characters for a path.
    long=$(printf '%0100d' 0)
    destination="$long/$long/$long"
    compare "sample-in-a-path-of-$(printf '%s' "$work/run/$destination" | wc -c)-characters" \
        --bgl-lod 10
}
