#!/bin/sh
# Signs a release of Talvoro CCP for the updater.
#
#   scripts/sign-release.sh new-key KEY.pem
#       Makes the publisher's Ed25519 private key (keep it off the build machines) and prints
#       its public key, the value of the CMake setting TALVORO_UPDATE_PUBLIC_KEY.
#   scripts/sign-release.sh public-key KEY.pem
#       Prints the public key again.
#   scripts/sign-release.sh sign KEY.pem PROGRAM VERSION URL [PACKAGE-URL]
#       Prints the manifest Version.ini for PROGRAM, offered as VERSION (for example 1.0.0.7)
#       at the https address URL: the program's SHA-256 and the Ed25519 signature of
#       "Talvoro CCP update\nVersion=VERSION\nSHA256=DIGEST\n". PACKAGE-URL tells the users of an
#       installed package where to get the new one.
#
# Needs the openssl tool (3.0 or newer).
set -eu

usage() {
    sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

public_key() {
    # The last 32 bytes of the key's DER form are the raw public key.
    openssl pkey -in "$1" -pubout -outform DER | tail -c 32 | base64 -w0
    echo
}

[ $# -ge 2 ] || usage
command=$1
key=$2
case $command in
new-key)
    [ $# -eq 2 ] || usage
    [ ! -e "$key" ] || { echo "$key exists already" >&2; exit 1; }
    (umask 077 && openssl genpkey -algorithm ed25519 -out "$key")
    public_key "$key"
    ;;
public-key)
    [ $# -eq 2 ] || usage
    public_key "$key"
    ;;
sign)
    [ $# -eq 5 ] || [ $# -eq 6 ] || usage
    program=$3 version=$4 url=$5 package=${6:-}
    echo "$version" | grep -Eqx '[0-9]+(\.[0-9]+)*' || { echo "bad version: $version" >&2; exit 1; }
    case $url in https://*) ;; *) echo "the program's address must be https: $url" >&2; exit 1 ;; esac
    digest=$(openssl dgst -sha256 -r "$program" | cut -d' ' -f1)
    message=$(mktemp)
    trap 'rm -f "$message"' EXIT
    printf 'Talvoro CCP update\nVersion=%s\nSHA256=%s\n' "$version" "$digest" >"$message"
    signature=$(openssl pkeyutl -sign -inkey "$key" -rawin -in "$message" | base64 -w0)
    printf '[UPDATE]\r\nVersion=%s\r\nURL=%s\r\nSHA256=%s\r\nSignature=%s\r\n' \
        "$version" "$url" "$digest" "$signature"
    [ -z "$package" ] || printf 'Package=%s\r\n' "$package"
    ;;
*)
    usage
    ;;
esac
