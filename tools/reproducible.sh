# The release's date and its zips, for the release scripts (sourced, POSIX sh, from the
# clone's top folder; the script defines say first). A release rebuilt from the same commit,
# in any folder, at any time, is the same to the byte: every time stamp it carries is the
# date of the top entry of tools/linux/changelog, and a zip holds only what its files hold.

# Seconds since 1970 of the changelog's top entry, the release's date. Exported as
# SOURCE_DATE_EPOCH it is also the date that CPack, tar, ld and strip write.
release_epoch() {
    dpkg-parsechangelog -l tools/linux/changelog -S Timestamp
}

# zip_tree PARENT NAME ZIP: packs the folder PARENT/NAME into ZIP (a path from PARENT or
# absolute). Entries come in the byte order of their names, each dated SOURCE_DATE_EPOCH (in
# UTC: a zip stores local time), folders rwxr-xr-x and files rw-r--r-- (no file in our zips
# runs on the machine that unpacks them), with no owner or extra time fields (-X).
zip_tree() {
    : "${SOURCE_DATE_EPOCH:?zip_tree needs SOURCE_DATE_EPOCH}"
    (
        cd "$1"
        find "$2" -type d -exec chmod 755 {} + -o -exec chmod 644 {} +
        find "$2" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
        rm -f "$3"
        find "$2" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$3"
    )
}
