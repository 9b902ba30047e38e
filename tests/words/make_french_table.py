#!/usr/bin/python3
# Prints the French reference rows of test_words.cpp from an independent speller
# (Debian's python3-num2words). Only needed to remake the table; the tests do not run it.
from decimal import Decimal, ROUND_HALF_EVEN
from num2words import num2words

AMOUNTS = """
0 0.50 1 1.01 2 17.17 21.21 31 41.41 51 61.61 70 71 71.71 77 80 80.80 81 90 91.91 99.99
100 180 200 201 300.30 1000 1001 1080 2000 21000 71000 80000 80080 91000 99999.99
100000 200000 300201 1000000 1000001 1200000 2000000.75 80000000 200000000 1000000000
2000000000 3000000000.01 1234.56 10.125 10.375 5.999 71071.71 999999999.99
""".split()


def phrase(text):
    value = Decimal(text)
    whole = int(value)
    cents = int(((value - whole) * 100).quantize(Decimal(1), rounding=ROUND_HALF_EVEN))
    words = num2words(whole, lang="fr")
    if words.split(" ")[-1] in ("million", "millions", "milliard", "milliards"):
        words += " de"
    out = words + (" dinars" if whole > 1 else " dinar")
    if cents > 0:
        out += " et " + num2words(cents, lang="fr") + (" centimes" if cents > 1 else " centime")
    return out[0].upper() + out[1:]


for a in AMOUNTS:
    print('        {%s, u"%s"},' % (a, phrase(a)))
