#!/usr/bin/env python3
"""Writes the number stages of the Bulgarian grammar.

numbers.grc reads numbers written in digits by rules over digit groups, up to 10^12 ("12 500"
and "1 000 000" with a space or a no-break space between the groups are one number): cardinals
with the gender the next word asks for, negative numbers, decimals, percentages, ordinals with a
suffix (1-ви, 2-ра, 3-то, 1-вият, 2-рата), definite forms (2-та, 3-те), years (2026 г.), dates
(25.12.2026, 25.12., 10 декември), times (10:30) and money (5 лв., 2,50 лв., €5, $5, 5 EUR).
Every character stays in the stream; each digit is followed by the phonemes of the word (or
words) it stands for, and a number with what belongs to it is one settled word.

digits.grc reads any digit left over (a run too long for a number, 007) by its name.

The stages:
  number_places  notes after every digit of a number its place (0 for units, 3 for thousands..);
  number_modes, number_money, number_forms, number_gender
                 note after the units digit how the number is read (from what surrounds it:
                 a date, a time, money, a suffix, a unit, the next word's gender, ...);
  number_units   the units written after a number;
  number_signs   the mode notes' own words (ordinal endings, articles, words said after the
                 number), the signs between the parts of a number, word markers and settled
                 brackets, numbers read digit by digit, months;
  number_digits_0, _3, _6, _9
                 the words of each digit by its place, its group and the mode;
  number_notes   removes the notes.

usage: make-numbers.py DIRECTORY   (writes numbers.grc and digits.grc there)
"""
import re
import sys

MAX_DIGITS = 13  # 999 999 999 999 and 10^12 itself


def sym(n):
    return "<0x%X>" % n


def place(p):
    return sym(0x12200 + p)


def phonemes(words):
    out = []
    for c in words.replace(" ", ""):
        out.append("{%s} %s" % (c, "Stress7" if c in "AEIOUY" else "Stress5"))
    return " ".join(out)


def alt(*items):
    return "(" + " | ".join(items) + ")"


# ---------------------------------------------------------------------------------------------
# The words (phonemes; upper case marks the stressed vowel).

UNITS = [None, "ednO", "dwE", "trI", "4Etiri", "pEt", "6Est", "sEdem", "Osem", "dEwet"]
DIGIT_NAMES = ["nUla", "ednO", "dwE", "trI", "4Etiri", "pEt", "6Est", "sEdem", "Osem", "dEwet"]
ONE = {"count": "ednO", "masc": "edIn", "fem": "ednA", "neut": "ednO"}
TWO = {"count": "dwE", "masc": "dwA", "fem": "dwE", "neut": "dwE"}
# The tens and teens as they are said (двайсет, единайсет), not as they are written.
TEENS = ["dEset", "edinAjset", "dwanAjset", "trinAjset", "4etirinAjset", "petnAjset",
         "6estnAjset", "sedemnAjset", "osemnAjset", "dewetnAjset"]
TENS = [None, None, "dwAjset", "trIjset", "4etirIjset", "pedesEt", "6ejsEt", "sedemdesEt",
        "osemdesEt", "dewedesEt"]
HUNDREDS = [None, "stO", "dwEsta", "trIsta", "4etIristotin", "pEtstotin", "6Estotin",
            "sEdemstotin", "Osemstotin", "dEwetstotin"]
# Scale words by group (1 thousands, 2 millions, 3 milliards, 4 trillions): one, several.
SCALES = [None, ("hiLAda", "hiLAdi"), ("miliOn", "miliOna"), ("miliArt", "miliArda"),
          ("triliOn", "triliOna")]
AND = "i"
MINUS = "mInus"
WHOLE = "CAlo i"  # the decimal comma: "цяло и"
MONTHS = [None, "januAri", "fewrUari", "mArt", "aprIl", "mAj", "jUni", "jUli", "Awgust",
          "septEmwri", "oktOmwri", "noEmwri", "dekEmwri"]
YEAR = "godIna"

# Ordinals: the stem before the ending, and whether the stem takes the -ен/-на endings.
ORDINAL_UNITS = [None, "pYrw", "ftOr", "trEt", "4etwYrt", "pEt", "6Est", "sEdm", "Osm", "dewEt"]
ORDINAL_TEENS = ["desEt", "edinAjset", "dwanAjset", "trinAjset", "4etirinAjset",
                 "petnAjset", "6estnAjset", "sedemnAjset", "osemnAjset", "dewetnAjset"]
ORDINAL_TENS = [None, None, "dwajsEt", "trijsEt", "4etirijsEt", "pedesEt", "6ejsEt",
                "sedemdesEt", "osemdesEt", "dewedesEt"]
ORDINAL_HUNDREDS = [None, "stOt", "dwestOt", "tristOt", "4etiristOt", "petstOt", "6eststOt",
                    "sedemstOt", "osemstOt", "dewetstOt"]
ORDINAL_THOUSAND = "hiLAd"
# Ending of each ordinal form after a plain stem and after an -ен stem.
ORDINAL_ENDINGS = {
    "ord_m": ("i", "en"), "ord_f": ("a", "na"), "ord_n": ("o", "no"),
    "ord_mdef": ("ija", "nija"), "ord_mdeff": ("ijat", "nijat"), "ord_fdef": ("ata", "nata"),
    "ord_ndef": ("oto", "noto"), "ord_pl": ("ite", "nite"),
}
# The written suffix after the ordinal letter (в р т м): its form.
ORDINAL_SUFFIXES = {"и": "ord_m", "а": "ord_f", "о": "ord_n", "ия": "ord_mdef",
                    "ият": "ord_mdeff", "ата": "ord_fdef", "ото": "ord_ndef", "ите": "ord_pl",
                    "ен": "ord_m", "на": "ord_f", "но": "ord_n", "ния": "ord_mdef",
                    "ният": "ord_mdeff", "ната": "ord_fdef", "ното": "ord_ndef", "ните": "ord_pl"}
ORDINAL_FORMS = list(ORDINAL_ENDINGS)


def ordinal(stem, form, en_stem=False):
    return stem + ORDINAL_ENDINGS[form][1 if en_stem else 0]


def unstressed(words):
    return words.lower()


# Units read after a number: written forms, one, several (a count form), and the gender the
# number takes before them.
UNITS_AFTER = [
    # (written forms, reading for one, reading for several, gender)
    (["лв.", "лв", "BGN"], "lEf", "lEwa", "masc"),
    (["€", "EUR"], "Ewro", "Ewro", "neut"),
    (["$", "USD"], "dOlar", "dOlara", "masc"),
    (["%"], "procEnt", "procEnta", "masc"),
    (["км/ч"], "kilomEtyr wY4As", "kilomEtra wY4As", "masc"),
    (["км"], "kilomEtyr", "kilomEtra", "masc"),
    (["кг"], "kilogrAm", "kilogrAma", "masc"),
    (["ч.", "ч"], "4As", "4asA", "masc"),
    (["мин.", "мин"], "minUta", "minUti", "fem"),
    (["сек.", "сек"], "sekUnda", "sekUndi", "fem"),
    (["г."], YEAR, "godIni", "fem"),
    # Thousands, millions and milliards written short (11 млн. единайсет милиона).
    (["хил."], "hiLAda", "hiLAdi", "fem"),
    (["млн.", "млн"], "miliOn", "miliOna", "masc"),
    (["млрд.", "млрд"], "miliArt", "miliArda", "masc"),
    (["см"], "santimEtyr", "santimEtra", "masc"),
    (["мм"], "milimEtyr", "milimEtra", "masc"),
    (["м²", "кв.м", "кв. м"], "kwadrAten mEtyr", "kwadrAtni mEtra", "masc"),
    (["м"], "mEtyr", "mEtra", "masc"),
    (["мг"], "miligrAm", "miligrAma", "masc"),
    (["г"], "grAm", "grAma", "masc"),
    (["мл"], "mililItyr", "mililItra", "masc"),
    (["л"], "lItyr", "lItra", "masc"),
    (["°C", "°С", "°"], "grAdus", "grAdusa", "masc"),
    (["‰"], "promIl", "promIla", "masc"),
]
# Millions and milliards written short: after a currency sign the currency is said after them.
SCALE_SHORT = ["млн.", "млн", "млрд.", "млрд"]
# Written words after a number that fix its gender but read themselves.
WORDS_AFTER = [(["лева", "лев", "долара", "долар", "процента", "процент"], "masc"),
               (["евро"], "neut")]
LEV = ["лв.", "лв", "BGN", "лева"]
EURO = ["€", "EUR", "евро"]
DOLLAR = ["$", "USD", "долара"]
CENTS = {"lev": ("stotInka", "stotInki"), "euro": ("cEnt", "cEnta"), "dollar": ("cEnt", "cEnta")}
CURRENCY_WORD = {"lev": ("lEf", "lEwa"), "euro": ("Ewro", "Ewro"), "dollar": ("dOlar", "dOlara")}
CURRENCY_GENDER = {"lev": "masc", "euro": "neut", "dollar": "masc"}
MONTH_NAMES = ["януари", "февруари", "март", "април", "май", "юни", "юли", "август", "септември",
               "октомври", "ноември", "декември"]
# Words after which a number keeps its counting form (prepositions, conjunctions, clitics).
LIGHT_WORDS = ["и", "а", "на", "от", "за", "в", "във", "с", "със", "до", "по", "да", "са", "е",
               "се", "ще", "не", "или", "че", "при", "към", "ли", "но", "без", "над", "под"]
# Plural nouns after a number other than one: neuter plurals (две деца, две места) and masculine
# nouns that take -и (два пъти, два дни); other words in -а/-я are masculine count forms (два
# часа, два лева), other words in -и feminine plurals (две книги).
NEUTER_PLURAL_ENDINGS = ["ета", "ца", "ща", "ста", "ена", "ма"]
MASCULINE_PLURALS = ["пъти", "дни", "души", "метра", "долара", "килограма", "сантиметра",
                     "месеца", "века", "пръстена", "тома", "милиона", "милиарда"]
# Male persons counted by two or three: двама души, трима мъже (the personal count form).
PERSONS = ["души", "мъже", "братя", "човека", "приятели", "студенти", "ученици", "сина"]
PERSONAL = {2: "dwAma", 3: "trIma"}


# ---------------------------------------------------------------------------------------------
# Modes: how a number is read, noted after its units digit.

class Mode:
    def __init__(self, name, form, append=None, unit="count", join=None):
        self.name = name
        self.form = form          # count masc fem neut ord_* def_m def_pl month digits silent
        self.append = append      # a word said after the number: (one, several)
        self.unit = unit          # how a unit written after it reads
        self.join = join          # the sign that continues the number (, . :)
        self.symbol = None


MODES = [
    Mode("count", "count"), Mode("masc", "masc"), Mode("fem", "fem"), Mode("neut", "neut"),
    Mode("personal", "personal"),
    Mode("def_m", "def_m"), Mode("def_pl", "def_pl"), Mode("digits", "digits"),
    Mode("year", "ord_f", unit="year"), Mode("year_said", "ord_f", append=(YEAR, YEAR)),
    Mode("day", "ord_m", join="."), Mode("day_name", "ord_m"), Mode("century", "ord_m"),
    Mode("month_join", "month", join="."), Mode("month_end", "month"),
    Mode("hour", "masc", join=":"), Mode("hour_comma", "masc", join=","), Mode("numerator", "fem", join="/"),
    Mode("denominator_one", "ord_f"), Mode("denominator", "ord_m"), Mode("minute", "fem", unit="hour"),
    Mode("minute_zero", "digits", unit="hour"),
    Mode("decimal_int", "neut", join=","), Mode("decimal_frac", "count", unit="plural"),
    Mode("decimal_frac0", "digits", unit="plural"),
    Mode("money_zero", "silent", unit="silent"),
] + [Mode("ord_suffix_" + f, f) for f in ORDINAL_FORMS]
for c in ["lev", "euro", "dollar"]:
    MODES.append(Mode("money_int_" + c, CURRENCY_GENDER[c], append=CURRENCY_WORD[c], join=","))
    MODES.append(Mode("money_frac_" + c, "fem" if c == "lev" else "masc", unit="cents_" + c))
    MODES.append(Mode("prefix_" + c, CURRENCY_GENDER[c], append=CURRENCY_WORD[c], unit="none"))
    MODES.append(Mode("prefix_cents_" + c, "masc", append=CENTS[c], unit="none"))
    MODES.append(Mode("prefix_scale_" + c, "masc", unit="scale_" + c))
for i, m in enumerate(MODES):
    m.symbol = sym(0x12240 + i)
MODE = {m.name: m for m in MODES}


def modes(pred):
    return [m for m in MODES if pred(m)]


def mode_class(ms):
    return alt(*[m.symbol for m in ms])


# ---------------------------------------------------------------------------------------------
# Expressions shared by the stages.

HEADER = """# Generated by make-numbers.py: numbers, dates, times and money read in full.
# Notes (private symbols, removed by the last stage): 0x12200 + p after a digit of place p,
# 0x12240 + m after the units digit for the way the number is read.

class NDigit = [0-9]
class NNonZero = [1-9]
class NSep = [ \\u00A0]
class NPlace = %(places)s
class NHigh = %(high)s
class NMode = %(modes)s
class NNote = NPlace | NMode
class NSkip = Phonemes | Stresses
class NLower = [абвгдежзийклмнопрстуфхцчшщъьюяѝѐ]
define NEdge = .#. | (Any - Letter)
"""


def header():
    return HEADER % {
        "places": " | ".join(place(p) for p in range(MAX_DIGITS)),
        "high": " | ".join(place(p) for p in range(1, MAX_DIGITS)),
        "modes": " | ".join(m.symbol for m in MODES),
    }


def quoted(text):
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


def words_alt(words):
    return alt(*[quoted(w) for w in words])


# ---------------------------------------------------------------------------------------------
# Stage 1: places.

def shapes():
    """Every way a number is written: its tokens ('d' a digit, 's' a group separator)."""
    for n in range(1, MAX_DIGITS + 1):
        yield "plain", ["d"] * n
    for first in (1, 2, 3):
        for groups in range(1, 5):
            if first + 3 * groups <= MAX_DIGITS:
                yield "grouped", ["d"] * first + (["s"] + ["d"] * 3) * groups


def token_expr(tokens):
    return " ".join("NDigit" if t == "d" else "NSep" for t in tokens)


def write_places(out):
    out.write("\n# The place of each digit of a number: a run of up to 13 digits, or groups of three\n"
              "# after a first group of one to three, joined by a space or a no-break space.\n"
              "stage number_places\n  protect Settled\n")
    free_start = ".#. | (Any - NDigit - NSep) | ((.#. | (Any - NDigit)) NSep)"
    # After a run that cannot take more groups (one of four digits or more), a group of three
    # starts a number of its own; a run of one, two or four digits and more can never be a group.
    small_end = ("(.#. | (Any - NDigit - NSep) | NSep (.#. | (Any - NDigit)) | "
                 "NSep NDigit (.#. | (Any - NDigit)) | NSep NDigit NDigit (.#. | (Any - NDigit)) | "
                 "NSep NDigit NDigit NDigit NDigit)")
    big_end = "(.#. | (Any - NDigit))"
    for kind, tokens in shapes():
        digits = tokens.count("d")
        if kind == "plain" and digits != 3:
            start = "(%s | NDigit NSep)" % free_start
        else:
            start = "(%s | NDigit NDigit NDigit NDigit NSep)" % free_start
        end = big_end if kind == "plain" and digits >= 4 else small_end
        seen = 0
        for i, t in enumerate(tokens):
            if t != "d":
                continue
            seen += 1
            p = digits - seen
            left = (start + " " + token_expr(tokens[:i + 1])).strip()
            right = (token_expr(tokens[i + 1:]) + " " + end).strip()
            out.write('  "" -> %s / %s _ %s\n' % (place(p), left, right))


# ---------------------------------------------------------------------------------------------
# Stage 2: modes. Contexts see the place notes: a number is a run of noted digits ending with
# the units digit (place 0).

P0 = place(0)
NUM = "(NDigit NHigh NSep?)* NDigit " + P0
# What comes before a number's first digit.
NUM_START = "(.#. | (Any - NPlace - NSep) | ((.#. | (Any - NPlace) | %s) NSep))" % P0
SP = "NSep?"


def num_of(digit_patterns):
    """A whole number whose digits, from the highest place, match the given patterns."""
    n = len(digit_patterns)
    return " ".join("%s %s" % (d, place(n - 1 - i)) for i, d in enumerate(digit_patterns))


def one_of(*shapes_):
    return alt(*[num_of(s) for s in shapes_])


DAY = one_of(["NNonZero"], ['"0"', "NNonZero"], ["[12]", "NDigit"], ['"3"', "[01]"])
MONTH = one_of(["NNonZero"], ['"0"', "NNonZero"], ['"1"', "[012]"])
YEAR4 = num_of(["NDigit"] * 4)
YEAR34 = alt(num_of(["NNonZero", "NDigit", "NDigit"]), num_of(["NNonZero"] + ["NDigit"] * 3))
HOUR = one_of(["NDigit"], ["[01]", "NDigit"], ['"2"', "[0-3]"])
MINUTE = num_of(["[0-5]", "NDigit"])
TWO_DIGITS = num_of(["NDigit", "NDigit"])
NOT_DIGIT = "(.#. | (Any - NDigit))"
WORD_END = "(.#. | (Any - Letter))"


def unit_expr(words):
    """Written units after a number: abbreviations with a full stop end there, others at a
    non-letter."""
    parts = []
    for w in words:
        parts.append(quoted(w) if w.endswith(".") or not w[-1].isalpha() else
                     "%s %s" % (quoted(w), WORD_END))
    return alt(*parts)


def write_modes(out):
    out.write("\n# How each number is read, noted after its units digit; the first rule that holds wins.\n"
              "stage number_modes\n  protect Settled\n  prefer earlier\n")
    rules = []

    def rule(left, right, mode):
        rules.append((left, right, MODE[mode].symbol))

    month_name = words_alt(MONTH_NAMES)
    date_end = "(.#. | (Any - NDigit - NPlace))"
    # Dates: 25.12.2026, 25.12., 1.1.2027 (the year an ordinal, "година" said unless г. follows).
    rule(NUM_START + " " + DAY, '"." ' + MONTH + ' "." ' + alt(YEAR4, date_end), "day")
    rule(NUM_START + " " + DAY + ' "." ' + MONTH, '"." ' + YEAR4, "month_join")
    rule(NUM_START + " " + DAY + ' "." ' + MONTH, '"." ' + date_end, "month_end")
    year_g = "%s %s" % (SP, alt('"г."', '"год."', '"година" ' + WORD_END))
    rule(NUM_START + " " + DAY + ' "." ' + MONTH + ' "." ' + YEAR4, year_g, "year")
    rule(NUM_START + " " + DAY + ' "." ' + MONTH + ' "." ' + YEAR4, "", "year_said")
    # Times: 10:30, 9:05, 10:00.
    rule(NUM_START + " " + HOUR, '":" ' + MINUTE + " " + NOT_DIGIT, "hour")
    rule(NUM_START + " " + HOUR + ' ":" ' + num_of(['"0"', '"0"']), "", "minute_zero")
    rule(NUM_START + " " + HOUR + ' ":" ' + MINUTE, "", "minute")
    hour_sign = SP + " " + alt('"ч."', '"ч" ' + WORD_END, '"часа" ' + WORD_END)
    rule(NUM_START + " " + HOUR, '"," ' + MINUTE + " " + hour_sign, "hour_comma")
    rule(NUM_START + " " + HOUR + ' "," ' + MINUTE, hour_sign, "minute")
    rules.append("number_money")
    # Fractions: 1/2 една втора, 3/4 три четвърти (the denominator an ordinal, plural after
    # more than one).
    small = one_of(["NNonZero"], ["NNonZero", "NDigit"])
    rule(NUM_START + " " + small, '"/" ' + small + " " + NOT_DIGIT, "numerator")
    rule(NUM_START + ' "1" ' + P0 + ' "/" ' + small, "", "denominator_one")
    rule(NUM_START + " " + small + ' "/" ' + small, "", "denominator")
    # Money with a fraction: 2,50 лв., €2,50, $0,99.
    for c, words in (("lev", LEV), ("euro", EURO), ("dollar", DOLLAR)):
        unit = "%s %s" % (SP, unit_expr(words))
        rule(NUM_START + " " + NUM, '"," ' + TWO_DIGITS + " " + unit, "money_int_" + c)
        rule(NUM + ' "," ' + num_of(['"0"', '"0"']), unit, "money_zero")
        rule(NUM + ' "," ' + TWO_DIGITS, unit, "money_frac_" + c)
    for c, sign in (("euro", '"€"'), ("dollar", '"$"')):
        rule(sign + " " + SP + " " + NUM, '"," ' + TWO_DIGITS + " " + NOT_DIGIT, "money_int_" + c)
        rule(sign + " " + SP + " " + NUM + ' "," ' + num_of(['"0"', '"0"']), "", "money_zero")
        rule(sign + " " + SP + " " + NUM + ' "," ' + TWO_DIGITS, "", "prefix_cents_" + c)
        # $ 11 млн.: the currency comes after the scale word (единайсет милиона долара).
        rule(sign + " " + SP + " " + NUM, SP + " " + unit_expr(SCALE_SHORT), "prefix_scale_" + c)
        rule(sign + " " + SP + " " + NUM, "", "prefix_" + c)
    rules.append("number_forms")
    # Decimals: 3,5 and 3.14 (a point only before one or two digits, as a date never is).
    frac_end = "(.#. | (Any - NDigit - NPlace - [,.]) | [,.] (.#. | (Any - NDigit)))"
    not_after_join = "(.#. | (Any - NPlace - NSep - [,.:]) | ((.#. | (Any - NPlace) | %s) NSep) | ((.#. | (Any - NPlace)) [,.:]))" % P0
    rule(not_after_join + " " + NUM, '"," ' + NUM + " " + frac_end, "decimal_int")
    rule(not_after_join + " " + NUM, '"." ' + alt(num_of(["NDigit"]), TWO_DIGITS) + " " + frac_end,
         "decimal_int")
    rule(NUM + ' [,.] "0" NHigh (NDigit NHigh)* NDigit ' + P0, "", "decimal_frac0")
    rule(NUM + " [,.] " + NUM, "", "decimal_frac")
    # A number written with a leading zero (007) is read digit by digit.
    rule(NUM_START + ' "0" NHigh (NDigit NHigh NSep?)* NDigit ' + P0, "", "digits")
    # Ordinals and definite forms written with a suffix: 1-ви, 2-ра, 3-то, 1-вият, 2-та, 3-те.
    rule(NUM_START + ' "2" ' + P0, '"-та" ' + WORD_END, "def_m")
    for suffix, form in sorted(ORDINAL_SUFFIXES.items(), key=lambda kv: -len(kv[0])):
        letter = "[т]?" if suffix[0] in "ен" else "[вртм]?"
        rule(NUM, '"-" %s "%s" %s' % (letter, suffix, WORD_END), "ord_suffix_" + form)
    rule(NUM, '"-те" ' + WORD_END, "def_pl")
    # Centuries: 19 в., 5 век (a century in the singular after a number is its ordinal).
    rule(NUM_START + " " + one_of(["NNonZero"], ["NNonZero", "NDigit"]),
         SP + " " + alt('"в."', '"век" ' + WORD_END), "century")
    # Years: 2026 г., 1989 година.
    rule(NUM_START + " " + YEAR34, year_g, "year")
    # A year without г.: 1000 to 2099 after a preposition of time, and in a range (1991–1995).
    year_like = alt(num_of(['"1"', "NDigit", "NDigit", "NDigit"]),
                    num_of(['"2"', '"0"', "NDigit", "NDigit"]))
    time_words = words_alt(["през", "от", "до", "в", "във", "след", "преди", "около"])
    rule("(.#. | (Any - Letter)) " + time_words + " NSep " + year_like, "", "year")
    rule(NUM_START + " " + year_like, SP + " [\\-–—] " + SP + " " + year_like, "year")
    rule(year_like + " " + SP + " [\\-–—] " + SP + " " + year_like, "", "year")
    # A date with the month's name: 10 декември, 10 декември 2026 (година said unless г. follows).
    rule(NUM_START + " " + DAY, "NSep " + month_name + " " + WORD_END, "day_name")
    rule(month_name + " NSep " + YEAR4, year_g, "year")
    rule(month_name + " NSep " + YEAR4, "", "year_said")
    rules.append("number_gender")
    # Units and the gender they ask for (пет лева, едно евро, една минута).
    for written, _one, _several, gender in UNITS_AFTER:
        rule(NUM, SP + " " + unit_expr(written), gender)
    for written, gender in WORDS_AFTER:
        rule(NUM, "NSep " + unit_expr(written), gender)
    # The next word: for exactly one, its ending (една книга, едно дете, един ден); for more, the
    # plural or count form (две книги, две деца, два часа, два пъти).
    light = "(%s %s)" % (words_alt(LIGHT_WORDS), WORD_END)
    one = NUM_START + ' "1" ' + P0
    rule(one, "NSep " + light, "count")
    rule(one, "NSep NLower* [ая] " + WORD_END, "fem")
    rule(one, "NSep NLower* [ое] " + WORD_END, "neut")
    rule(one, "NSep NLower+ " + WORD_END, "masc")
    rule(NUM, "NSep " + light, "count")
    rule(NUM_START + " [23] " + P0, "NSep " + words_alt(PERSONS) + " " + WORD_END, "personal")
    rule(NUM, "NSep " + words_alt(MASCULINE_PLURALS) + " " + WORD_END, "masc")
    rule(NUM, "NSep NLower* " + words_alt(NEUTER_PLURAL_ENDINGS) + " " + WORD_END, "neut")
    rule(NUM, "NSep NLower* [ая] " + WORD_END, "masc")
    rule(NUM, "NSep NLower* [и] " + WORD_END, "fem")
    rule(NUM, "", "count")
    # The rules are cut into stages (smaller machines, a quarter of the compile time); a number
    # that has its note from an earlier stage is passed over: the rules that look at what follows
    # see the note there, the others say so.
    second = False
    for r in rules:
        if isinstance(r, str):
            out.write("\nstage %s\n  protect Settled\n  prefer earlier\n" % r)
            second = True
            continue
        left, right, symbol = r
        if second and not right:
            right = "(.#. | (Any - NMode))"
        out.write('  "" -> %s / %s _ %s\n' % (symbol, left, right))


# ---------------------------------------------------------------------------------------------
# Stage 3: the words.

# The last word of an ordinal is its stem here; the ending (and any word said after the number)
# comes from the mode note, which knows the form: -и/-а/-о/-ия/-ият/-ата/-ото/-ите after most
# stems, -ен/-на/-но/... after стот- and хиляд- (стотен, хилядна).

ORDINAL_MODES = modes(lambda m: m.form in ORDINAL_FORMS)
ORDINARY = modes(lambda m: m.form not in ("digits", "silent", "month"))


def forms_class(forms):
    return mode_class(modes(lambda m: m.form in forms))


def rest_to(p, mc):
    """Right context from after the digit of place p to the mode note."""
    return mc if p == 0 else "(NSep? NDigit NHigh)* NSep? NDigit %s %s" % (P0, mc)


def rest_zero_to(p, mc):
    """Likewise, every digit after it a zero."""
    return mc if p == 0 else '(NSep? "0" NHigh)* NSep? "0" %s %s' % (P0, mc)


def above(g):
    return "NAbove%d" % g


def higher(g):
    """Left context: a digit other than zero in a group above g, then the rest up to the digit."""
    if 3 * (g + 1) >= MAX_DIGITS:
        return None
    return "NNonZero %s (NSep? NDigit NHigh)* NSep?" % above(g)


NSTART = "(.#. | (Any - NHigh - NSep) | ((.#. | (Any - NHigh)) NSep))"


def cardinal_unit(d, form):
    if form == "personal" and d in PERSONAL:
        return PERSONAL[d]
    if d == 1:
        return ONE.get(form, "masc" if form == "def_m" else "ednO") if form != "def_m" else "edIn"
    if d == 2:
        return "dwA" if form == "def_m" else TWO.get(form, "dwE")
    return UNITS[d]


def and_(word):
    return AND + " " + word


def by_output(ms, word_of):
    groups = {}
    for m in ms:
        groups.setdefault(word_of(m), []).append(m)
    return [(word, mode_class(group)) for word, group in groups.items()]


def unit_digit_rules(p, g, d):
    rules = []
    ordinary = mode_class(ORDINARY)
    if g == 0:
        # 11 to 19: the tens digit says it all.
        rules.append(('"1" ' + place(1), ordinary, ""))
        if d == 0:
            rules.append((NSTART, ordinary, "nUla"))
            return rules
        and_left = alt("NNonZero %s NDigit %s" % (place(2), place(1)), "[2-9] " + place(1))
        sole = higher(0)
        for word, mc in by_output(ORDINARY, lambda m: ORDINAL_UNITS[d] if m in ORDINAL_MODES
                                  else cardinal_unit(d, m.form)):
            rules.append((alt(and_left, sole), mc, and_(word)))
            rules.append(("", mc, word))
        return rules
    one_word, several = SCALES[g]
    ordinals = mode_class(ORDINAL_MODES)
    group_zero = '"0" %s "0" %s' % (place(p + 2), place(p + 1))
    last_thousand = g == 1  # хиляден, двехилядна: the ordinal of round thousands
    rules.append(('"1" ' + place(p + 1), rest_to(p, ordinary), several))
    if d == 0:
        rules.append((group_zero, rest_to(p, ordinary), ""))
        if last_thousand:
            rules.append(("", rest_zero_to(p, ordinals), ORDINAL_THOUSAND))
        rules.append(("", rest_to(p, ordinary), several))
        return rules
    and_left = alt("NNonZero %s NDigit %s" % (place(p + 2), place(p + 1)), "[2-9] " + place(p + 1))
    sole_left = higher(g) and higher(g) + " " + group_zero
    if d == 1:
        alone = alt(group_zero, NSTART)
        if last_thousand:
            rules.append((sole_left, rest_zero_to(p, ordinals), and_(ORDINAL_THOUSAND)))
            rules.append((alone, rest_zero_to(p, ordinals), ORDINAL_THOUSAND))
        rules.append((sole_left, rest_zero_to(p, ordinary), and_(one_word)))
        rules.append((alone, rest_to(p, ordinary), one_word))
    element = cardinal_unit(d, "fem" if g == 1 else "masc")
    if last_thousand:
        word = unstressed(element) + ORDINAL_THOUSAND
        rules.append((and_left, rest_zero_to(p, ordinals), and_(word)))
        rules.append((sole_left, rest_zero_to(p, ordinals), and_(word)))
        rules.append(("", rest_zero_to(p, ordinals), word))
    rules.append((and_left, rest_to(p, ordinary), "%s %s %s" % (AND, element, several)))
    rules.append((sole_left, rest_zero_to(p, ordinary), "%s %s %s" % (AND, element, several)))
    rules.append(("", rest_to(p, ordinary), "%s %s" % (element, several)))
    return rules


def tens_digit_rules(p, g, d):
    if d == 0:
        return []
    rules = []
    ordinary = mode_class(ORDINARY)
    h_left = "NNonZero " + place(p + 1)
    sole_left = higher(g) and higher(g) + ' "0" ' + place(p + 1)
    and_left = alt(h_left, sole_left) if sole_left else h_left
    if d == 1:
        for u in range(10):
            if g == 0:
                for word, mc in by_output(ORDINARY, lambda m: ORDINAL_TEENS[u]
                                          if m in ORDINAL_MODES else TEENS[u]):
                    right = '"%d" %s %s' % (u, P0, mc)
                    rules.append((and_left, right, and_(word)))
                    rules.append(("", right, word))
            else:
                right = '"%d" %s ' % (u, place(p - 1))
                rules.append((h_left, right + rest_to(p - 1, ordinary), and_(TEENS[u])))
                rules.append((sole_left, right + rest_zero_to(p - 1, ordinary), and_(TEENS[u])))
                rules.append(("", right + rest_to(p - 1, ordinary), TEENS[u]))
        return rules
    if g == 0:
        for word, mc in by_output(ORDINARY, lambda m: ORDINAL_TENS[d]
                                  if m in ORDINAL_MODES else TENS[d]):
            right = '"0" %s %s' % (P0, mc)
            rules.append((and_left, right, and_(word)))
            rules.append(("", right, word))
    else:
        right = '"0" %s ' % place(p - 1)
        rules.append((h_left, right + rest_to(p - 1, ordinary), and_(TENS[d])))
        rules.append((sole_left, right + rest_zero_to(p - 1, ordinary), and_(TENS[d])))
    rules.append(("", rest_to(p, ordinary), TENS[d]))
    return rules


def hundreds_digit_rules(p, g, d):
    if d == 0:
        return []
    rules = []
    ordinary = mode_class(ORDINARY)
    zeros = '"0" %s "0" %s ' % (place(p - 1), place(p - 2))
    if g == 0:
        for word, mc in by_output(ORDINARY, lambda m: ORDINAL_HUNDREDS[d]
                                  if m in ORDINAL_MODES else HUNDREDS[d]):
            rules.append((higher(0), zeros + mc, and_(word)))
            rules.append(("", zeros + mc, word))
    else:
        rules.append((higher(g), zeros + rest_zero_to(p - 2, ordinary), and_(HUNDREDS[d])))
    rules.append(("", rest_to(p, ordinary), HUNDREDS[d]))
    return rules


def digit_rules(p, d):
    g, r = divmod(p, 3)
    if r == 0:
        return unit_digit_rules(p, g, d)
    if r == 1:
        return tens_digit_rules(p, g, d)
    return hundreds_digit_rules(p, g, d)


def mode_rules():
    """(left, mode, phonemes said at the mode note): ordinal endings, articles, appended words."""
    rules = []
    en_left = '"0" %s "0" %s' % (place(1), P0)
    one_left = NSTART + ' "1" ' + P0
    for m in MODES:
        endings = [("", "")]
        if m.form in ORDINAL_FORMS:
            plain, en = ORDINAL_ENDINGS[m.form]
            endings = [(en_left, en), ("", plain)]
        elif m.form == "def_pl":
            endings = [("", "te")]
        elif m.form == "def_m":
            endings = [("", "ta")]
        for left, ending in endings:
            if m.append:
                if not left:
                    rules.append((one_left, m, ending + " " + m.append[0]))
                rules.append((left, m, ending + " " + m.append[1]))
            else:
                rules.append((left, m, ending))
    return rules


def skip_said(expr):
    """A right context that also holds after digits an earlier stage has read (their notes stay,
    their phonemes follow them)."""
    expr = re.sub(r"(<0x1220[0-9A-C]>)", r"\1 NSkip*", expr)
    return expr.replace("NHigh", "NHigh NSkip*")


DIGIT_STAGES = [(0, 2), (3, 5), (6, 8), (9, 12)]


def write_words(out):
    out.write("\n# Units after a number: attached (5%, 5€) inside its word, after a space a word of\n"
              "# their own.\nstage number_units\n  prefer earlier\n")
    countish = modes(lambda m: m.name in ("count", "masc", "fem", "neut"))
    plural = modes(lambda m: m.unit == "plural")
    for written, one, several, _gender in UNITS_AFTER:
        readings = [(NSTART + ' "1" ' + P0, mode_class(countish), one),
                    ("", mode_class(countish + plural), several)]
        if written[0] == "г.":
            readings.insert(0, ("", MODE["year"].symbol, YEAR))
        if written[0] in SCALE_SHORT:
            for c in ("euro", "dollar"):
                mc = MODE["prefix_scale_" + c].symbol
                readings.insert(0, ("", mc, several + " " + CURRENCY_WORD[c][1]))
                readings.insert(0, (NSTART + ' "1" ' + P0, mc, one + " " + CURRENCY_WORD[c][1]))
        if written[0] == "ч.":
            readings.insert(0, ("", mode_class(modes(lambda m: m.unit == "hour")), "4asA"))
        for c, cents in CENTS.items():
            if (c == "lev" and written[0] == "лв.") or (c == "euro" and written[0] == "€") or \
                    (c == "dollar" and written[0] == "$"):
                mc = MODE["money_frac_" + c].symbol
                readings.insert(0, ("", mc, cents[1]))
                readings.insert(0, ('"0" %s "1" %s' % (place(1), P0), mc, cents[0]))
        readings.append(("", MODE["money_zero"].symbol, ""))
        for w in written:
            right = "" if w.endswith(".") or not w[-1].isalpha() else WORD_END
            text = quoted(w)
            for spaced in (False, True):
                for left_num, mc, reading in readings:
                    left = ("%s %s" % (left_num, mc)).strip() + (" NSep" if spaced else "")
                    body = text + (" " + phonemes(reading) if reading else "")
                    if spaced:
                        body = "WordMarker Settled %s Settled WordMarker" % body
                    out.write("  %s -> %s / %s _ %s\n" % (text, body, left, right))

    # The currency written as a word after the cents (24,66 долара): it reads as the cents, the
    # number has said the currency already.
    for c, word in (("lev", "лева"), ("euro", "евро"), ("dollar", "долара")):
        mc = MODE["money_frac_" + c].symbol
        for left_num, reading in (('"0" %s "1" %s ' % (place(1), P0), CENTS[c][0]),
                                  ("", CENTS[c][1])):
            out.write("  %s -> WordMarker Settled %s %s Settled WordMarker / %s%s NSep _ %s\n"
                      % (quoted(word), quoted(word), phonemes(reading), left_num, mc, WORD_END))

    out.write("\n# The signs and notes of each number: digit by digit, months, ordinal endings, the\n"
              "# signs between its parts, word markers.\nstage number_signs\n  prefer earlier\n")
    # Numbers read digit by digit, numbers said as nothing (the cents of 5,00 лв.), months.
    to_mode = "NPlace (NSep? NDigit NPlace)* "
    for d in range(10):
        out.write('  "%d" -> "%d" %s / _ %s%s\n' % (d, d, phonemes(DIGIT_NAMES[d]), to_mode,
                                                 forms_class(["digits"])))
    months = forms_class(["month"])
    out.write('  "1" -> "1" / _ %s NDigit %s %s\n' % (place(1), P0, months))
    out.write('  "0" -> "0" / _ %s NDigit %s %s\n' % (place(1), P0, months))
    for n in range(1, 13):
        tens, units = divmod(n, 10)
        left = '"%d" %s' % (tens, place(1)) if tens else '((Any - NPlace) | .#. | "0" %s)' % place(1)
        out.write('  "%d" -> "%d" %s / %s _ %s %s\n' % (units, units, phonemes(MONTHS[n]), left, P0,
                                                    months))
    # The mode note: ordinal endings, articles, the word said after the number.
    for left, m, words in mode_rules():
        output = m.symbol + (" " + phonemes(words) if words.strip() else "")
        ctx = " / %s _" % left if left else ""
        out.write("  %s -> %s%s\n" % (m.symbol, output, ctx))
    joins = modes(lambda m: m.join)
    join_class = mode_class(joins)
    suffixed = modes(lambda m: m.name.startswith("ord_suffix_") or m.form in ("def_m", "def_pl"))
    others = [m for m in MODES if m not in joins and m not in suffixed and m.name != "month_end"]
    zero_cents = '"0" %s "0" %s' % (place(1), P0)
    # The signs between the parts of a number.
    money_ints = mode_class(modes(lambda m: m.name.startswith("money_int_")))
    out.write('  "," -> "," / %s _ %s\n' % (money_ints, zero_cents))
    out.write('  "," -> "," %s / %s _\n' % (phonemes(AND), money_ints))
    for sign in ",.":
        out.write('  "%s" -> "%s" %s / %s _\n' % (sign, sign, phonemes(WHOLE),
                                                 MODE["decimal_int"].symbol))
    out.write('  ":" -> ":" / %s _ %s\n' % (MODE["hour"].symbol, zero_cents))
    out.write('  ":" -> ":" %s / %s _\n' % (phonemes(AND), MODE["hour"].symbol))
    out.write('  "," -> "," %s / %s _\n' % (phonemes(AND), MODE["hour_comma"].symbol))
    # A minus sign before a number.
    for sign in ("-", "\\u2212"):
        out.write('  "%s" -> "%s" %s / (.#. | [ \\t\\n(\\u00A0]) _ NDigit NPlace\n'
                  % (sign, sign, phonemes(MINUS)))
    # Word markers and settled brackets around each number with its signs.
    others_class = mode_class(others)
    out.write('  "" -> WordMarker Settled / (.#. | (Any - NMode - NSep) | ((.#. | (Any - NMode)) NSep))'
              ' _ [$€] NSep? NDigit NPlace\n')
    out.write('  "" -> WordMarker Settled / (.#. | [ \\t\\n(\\u00A0]) _ [\\-\\u2212] NDigit NPlace\n')
    open_left = alt(".#.", "(Any - NPlace - NSep - [,.:/] - [\\-\\u2212] - [$€])",
                    "((.#. | (Any - NHigh - [$€])) NSep)",
                    "((.#. | (Any - %s)) [,.:/])" % join_class,
                    "((Any - [ \\t\\n(\\u00A0]) [\\-\\u2212])")
    out.write('  "" -> WordMarker Settled / %s _ NDigit NPlace\n' % open_left)
    out.write('  "" -> Settled WordMarker / %s "-" NLower+ _ %s\n' % (mode_class(suffixed), WORD_END))
    out.write('  "" -> Settled WordMarker / %s "." _\n' % MODE["month_end"].symbol)
    out.write('  "" -> Settled WordMarker / %s [%%€$] _\n' % others_class)
    out.write('  "" -> Settled WordMarker / %s _ (.#. | (Any - [%%€$]))\n' % others_class)



    # The digits, the lowest places first: a stage's right contexts see the lower digits the
    # stages before have read (each digit keeps its note until the end).
    for low, high in DIGIT_STAGES:
        out.write("\nstage number_digits_%d\n  prefer earlier\n" % low)
        for p in range(low, high + 1):
            for d in range(10):
                for left, right, words in digit_rules(p, d):
                    if left is None:
                        continue  # nothing stands above the highest group
                    output = '"%d" %s' % (d, place(p)) + (" " + phonemes(words) if words.strip() else "")
                    ctx = " / %s _ %s" % (left, skip_said(right)) if left or right else ""
                    out.write('  "%d" %s -> %s%s\n' % (d, place(p), output, ctx.rstrip()))


def roman(n):
    out = ""
    for value, letters in ((40, "XL"), (10, "X"), (9, "IX"), (5, "V"), (4, "IV"), (1, "I")):
        while n >= value:
            out += letters
            n -= value
    return out


def ordinal_words(n, form):
    """The ordinal of 1 to 99 in a form (ord_m, ord_f): двайсет и първи, деветнайсета."""
    tens, units = divmod(n, 10)
    if n < 10:
        return ordinal(ORDINAL_UNITS[n], form)
    if n < 20:
        return ordinal(ORDINAL_TEENS[units], form)
    if units == 0:
        return ordinal(ORDINAL_TENS[tens], form)
    return TENS[tens] + " " + AND + " " + ordinal(ORDINAL_UNITS[units], form)


# Words before a Roman numeral that make it feminine (глава III: трета).
ROMAN_FEMININE = ["глава", "част", "точка", "книга", "група", "категория", "степен"]


def write_roman(out):
    """Roman numerals standing alone, read as ordinals: centuries, classes, rulers and popes
    (XIX век, VII клас, Петър I, Йоан-Павел II) masculine, chapters and parts feminine. A lone I
    counts only after a word or before век, в. and клас."""
    out.write("\n# Roman numerals as ordinals.\nstage roman_numerals\n"
              "  prefer earlier\n")
    edge = "(.#. | (Any - Letter - [0-9]))"
    feminine = "(.#. | (Any - Letter)) %s NSep" % words_alt(ROMAN_FEMININE)
    for n in range(1, 50):
        r = roman(n)
        readings = [("ord_f", feminine, edge), ("ord_m", edge, edge)]
        if r == "I":
            readings[1:] = [("ord_m", edge, "NSep " + alt('"век"', '"в."', '"клас"')),
                            ("ord_m", "Letter NSep", edge)]
        for form, left, right in readings:
            out.write('  "%s" -> WordMarker Settled "%s" %s Settled WordMarker / %s _ %s\n'
                      % (r, r, phonemes(ordinal_words(n, form)), left, right))


def write_notes(out):
    out.write("\n# The notes have done their work.\nstage number_notes\n"
              '  NNote -> ""\n')
def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1] + "/numbers.grc", "w", encoding="utf-8") as out:
        out.write(header())
        for g in range(4):
            out.write("class %s = %s\n" % (above(g), " | ".join(
                place(p) for p in range(3 * (g + 1), MAX_DIGITS))))
        write_places(out)
        write_modes(out)
        write_words(out)
        write_notes(out)
        write_roman(out)
    with open(argv[1] + "/digits.grc", "w", encoding="utf-8") as out:
        out.write("# Generated by make-numbers.py: a digit that is not part of a number read as one\n"
                  "# (a run too long, a code) is read by its name.\n\n"
                  "stage digits\n  protect Settled\n")
        for d in range(10):
            out.write('  "%d" -> "%d" %s\n' % (d, d, phonemes(DIGIT_NAMES[d])))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
