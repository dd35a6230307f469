#include "align/SpokenForm.h"

#include "align/Utf8Walk.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

namespace qm::align {

namespace {

using Words = std::vector<std::string>;
using Readings = std::vector<Words>;

constexpr const char* kOnes[] = {"zero",    "one",     "two",       "three",    "four",     "five",    "six",
                                 "seven",   "eight",   "nine",      "ten",      "eleven",   "twelve",  "thirteen",
                                 "fourteen", "fifteen", "sixteen",  "seventeen", "eighteen", "nineteen"};
constexpr const char* kTens[] = {"", "", "twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool allDigits(std::string_view s) { return !s.empty() && std::all_of(s.begin(), s.end(), isDigit); }

void appendBelow100(Words& out, int n) {
    if (n < 20) {
        out.push_back(kOnes[n]);
        return;
    }
    out.push_back(kTens[n / 10]);
    if (n % 10) out.push_back(kOnes[n % 10]);
}

void appendBelow1000(Words& out, int n, bool withAnd) {
    if (n >= 100) {
        out.push_back(kOnes[n / 100]);
        out.push_back("hundred");
        n %= 100;
        if (n == 0) return;
        if (withAnd) out.push_back("and");
    }
    appendBelow100(out, n);
}

// The ordinal of a cardinal's last word: one -> first, twenty -> twentieth.
std::string ordinalOf(const std::string& word) {
    static const std::map<std::string, std::string> irregular = {
        {"one", "first"}, {"two", "second"}, {"three", "third"}, {"five", "fifth"},
        {"eight", "eighth"}, {"nine", "ninth"}, {"twelve", "twelfth"}};
    if (const auto it = irregular.find(word); it != irregular.end()) return it->second;
    if (word.size() > 1 && word.back() == 'y') return word.substr(0, word.size() - 1) + "ieth";
    return word + "th";
}

// The plural of a number's last word, for decades: ninety -> nineties.
std::string pluralOf(const std::string& word) {
    if (word.size() > 1 && word.back() == 'y') return word.substr(0, word.size() - 1) + "ies";
    if (word == "six") return "sixes";
    return word + "s";
}

std::optional<int64_t> toNumber(std::string_view digits) {
    if (!allDigits(digits) || digits.size() > 12) return std::nullopt;
    int64_t n = 0;
    for (char c : digits) n = n * 10 + (c - '0');
    return n;
}

Words digitByDigit(std::string_view digits, const char* zero) {
    Words out;
    for (char c : digits) out.push_back(c == '0' ? zero : kOnes[c - '0']);
    return out;
}

void addReading(Readings& readings, Words words) {
    if (words.empty()) return;
    if (std::find(readings.begin(), readings.end(), words) == readings.end()) readings.push_back(std::move(words));
}

// A year as people say it: 1999 -> nineteen ninety nine, 1905 -> nineteen oh
// five, 1900 -> nineteen hundred; nothing for numbers no one reads so.
std::optional<Words> yearWords(int64_t n) {
    if (n < 1100 || n > 2099 || (n >= 2000 && n < 2010) || n % 1000 == 0) return std::nullopt;
    Words out;
    appendBelow100(out, static_cast<int>(n / 100));
    const int rest = static_cast<int>(n % 100);
    if (rest == 0) {
        out.push_back("hundred");
    } else if (rest < 10) {
        out.push_back("oh");
        out.push_back(kOnes[rest]);
    } else {
        appendBelow100(out, rest);
    }
    return out;
}

// The readings of a whole number written with digits (commas already gone);
// asYear: a number of four digits may be a year.
Readings integerReadings(std::string_view digits, bool asYear = true) {
    Readings r;
    const auto n = toNumber(digits);
    if (!n) {
        addReading(r, digitByDigit(digits, "zero"));
        return r;
    }
    // A leading zero is read digit by digit (007, 0800).
    if (digits.size() > 1 && digits.front() == '0') {
        addReading(r, digitByDigit(digits, "oh"));
        addReading(r, digitByDigit(digits, "zero"));
        return r;
    }
    if (digits.size() == 4 && asYear) {
        if (auto year = yearWords(*n)) addReading(r, std::move(*year));
        // The older way: nineteen hundred (and) ninety nine.
        if (*n >= 1100 && *n < 2000 && *n % 100 != 0) {
            for (bool withAnd : {false, true}) {
                Words w;
                appendBelow100(w, static_cast<int>(*n / 100));
                w.push_back("hundred");
                if (withAnd) w.push_back("and");
                appendBelow100(w, static_cast<int>(*n % 100));
                addReading(r, std::move(w));
            }
        }
    }
    addReading(r, cardinalWords(*n));
    addReading(r, cardinalWords(*n, true));
    return r;
}

Readings decimalReadings(std::string_view whole, std::string_view fraction) {
    Readings r;
    const Readings wholes = whole.empty() ? Readings{Words{}} : integerReadings(whole);
    for (const Words& w : wholes) {
        Words out = w;
        out.push_back("point");
        for (const std::string& d : digitByDigit(fraction, "zero")) out.push_back(d);
        addReading(r, std::move(out));
    }
    return r;
}

// Appends what to every reading.
Readings followedBy(Readings readings, const Words& what) {
    for (Words& w : readings) w.insert(w.end(), what.begin(), what.end());
    return readings;
}

struct Currency {
    const char* symbol;
    const char* one;
    const char* many;
    const char* smallOne;
    const char* smallMany;
};
constexpr Currency kCurrencies[] = {
    {"$", "dollar", "dollars", "cent", "cents"},
    {"\xC2\xA3", "pound", "pounds", "penny", "pence"},  // £
    {"\xE2\x82\xAC", "euro", "euros", "cent", "cents"},  // €
    {"\xC2\xA5", "yen", "yen", "sen", "sen"},           // ¥
};

Readings moneyReadings(const Currency& c, std::string_view whole, std::string_view cents) {
    Readings r;
    const auto n = toNumber(whole);
    if (!n) return r;
    const Words unit{*n == 1 ? c.one : c.many};
    const auto small = cents.empty() ? std::optional<int64_t>(0) : toNumber(cents.substr(0, 2));
    if (!small || *small == 0) return followedBy(integerReadings(whole), unit);
    const int64_t hundredths = cents.size() == 1 ? *small * 10 : *small;
    const Words smallUnit{hundredths == 1 ? c.smallOne : c.smallMany};
    if (*n == 0) return followedBy(Readings{cardinalWords(hundredths)}, smallUnit);
    for (const Words& w : integerReadings(whole)) {
        Words full = w;
        full.insert(full.end(), unit.begin(), unit.end());
        Words withAnd = full;
        withAnd.push_back("and");
        for (Words* x : {&full, &withAnd}) {
            const Words h = cardinalWords(hundredths);
            x->insert(x->end(), h.begin(), h.end());
            x->insert(x->end(), smallUnit.begin(), smallUnit.end());
        }
        addReading(r, withAnd);
        addReading(r, full);
        Words shortForm = w;  // "twelve fifty"
        const Words h = cardinalWords(hundredths);
        shortForm.insert(shortForm.end(), h.begin(), h.end());
        addReading(r, shortForm);
    }
    return r;
}

// h:mm: nine thirty, nine oh five, nine o'clock; past noon also the
// twelve-hour reading.
Readings timeReadings(int hour, int minute) {
    Readings r;
    for (int h : {hour, hour > 12 ? hour - 12 : -1}) {
        if (h < 0) continue;
        Words base = cardinalWords(h);
        if (minute == 0) {
            Words oclock = base;
            oclock.push_back("o'clock");
            addReading(r, oclock);
            addReading(r, base);
            continue;
        }
        if (minute < 10) {
            base.push_back("oh");
            base.push_back(kOnes[minute]);
        } else {
            appendBelow100(base, minute);
        }
        addReading(r, base);
    }
    return r;
}

// Abbreviations, by their lower-case spelling without the final full stop.
const std::map<std::string, Readings>& abbreviations() {
    static const std::map<std::string, Readings> table = {
        {"mr", {{"mister"}}},
        {"mrs", {{"missus"}}},
        {"ms", {{"ms"}}},
        {"dr", {{"doctor"}, {"drive"}}},
        {"prof", {{"professor"}}},
        {"st", {{"saint"}, {"street"}}},
        {"mt", {{"mount"}}},
        {"jr", {{"junior"}}},
        {"sr", {{"senior"}}},
        {"vs", {{"versus"}}},
        {"e.g", {{"for", "example"}}},
        {"eg", {{"for", "example"}}},
        {"i.e", {{"that", "is"}}},
        {"ie", {{"that", "is"}}},
        {"etc", {{"et", "cetera"}}},
        {"approx", {{"approximately"}}},
        {"a.m", {{"a", "m"}}},
        {"p.m", {{"p", "m"}}},
    };
    return table;
}

// Accented Latin letters without their accents (café -> cafe); 0 for
// anything else that is no ASCII letter.
char foldLetter(char32_t c) {
    if (c < 0x80) return std::isalpha(static_cast<int>(c)) ? static_cast<char>(std::tolower(static_cast<int>(c))) : 0;
    static const std::map<char32_t, char> folds = {
        {U'à', 'a'}, {U'á', 'a'}, {U'â', 'a'}, {U'ã', 'a'}, {U'ä', 'a'}, {U'å', 'a'}, {U'ç', 'c'}, {U'è', 'e'},
        {U'é', 'e'}, {U'ê', 'e'}, {U'ë', 'e'}, {U'ì', 'i'}, {U'í', 'i'}, {U'î', 'i'}, {U'ï', 'i'}, {U'ñ', 'n'},
        {U'ò', 'o'}, {U'ó', 'o'}, {U'ô', 'o'}, {U'õ', 'o'}, {U'ö', 'o'}, {U'ø', 'o'}, {U'ù', 'u'}, {U'ú', 'u'},
        {U'û', 'u'}, {U'ü', 'u'}, {U'ý', 'y'}, {U'ÿ', 'y'}, {U'À', 'a'}, {U'Á', 'a'}, {U'Â', 'a'}, {U'Ä', 'a'},
        {U'Ç', 'c'}, {U'È', 'e'}, {U'É', 'e'}, {U'Ê', 'e'}, {U'Ë', 'e'}, {U'Í', 'i'}, {U'Î', 'i'}, {U'Ñ', 'n'},
        {U'Ó', 'o'}, {U'Ô', 'o'}, {U'Ö', 'o'}, {U'Ú', 'u'}, {U'Ü', 'u'}};
    const auto it = folds.find(c);
    return it == folds.end() ? 0 : it->second;
}

// The script's text with the characters that part or stand for words made
// plain: typographic apostrophes become ', dashes, slashes and hyphens
// blanks, & + @ words of their own.
std::string plainText(std::string_view sentence) {
    std::string out;
    size_t i = 0;
    while (i < sentence.size()) {
        const utf8::Char c = utf8::at(sentence, i);
        const char32_t code = c.code;
        if (code == 0x2019 || code == 0x2018 || code == 0x02BC) {
            out += '\'';
        } else if (code == 0x2014 || code == 0x2013 || code == 0x2012 || code == '/' || code == '_' ||
                   code == 0x2026 || code == '~') {
            out += ' ';
        } else if (code == '-') {
            // A minus before a number stays a blank too: "minus" is rarely what the script means.
            out += ' ';
        } else if (code == '&') {
            out += " and ";
        } else if (code == '+') {
            out += " plus ";
        } else if (code == '@') {
            out += " at ";
        } else if (code == '#' && i + 1 < sentence.size() && isDigit(sentence[i + 1])) {
            out += " number ";
        } else if (utf8::isBlank(code)) {
            out += ' ';
        } else {
            out.append(sentence.substr(i, c.length));
        }
        i += c.length;
    }
    return out;
}

bool isOpener(char c) { return c == '"' || c == '\'' || c == '(' || c == '[' || c == '{' || c == '<' || c == '*'; }
bool isTrailer(char c) {
    return c == '"' || c == '\'' || c == ')' || c == ']' || c == '}' || c == '>' || c == ',' || c == ';' ||
           c == ':' || c == '!' || c == '?' || c == '*';
}

// A token without the punctuation around it; stop tells whether a full stop
// stood at its end (an abbreviation's, or the sentence's).
struct Trimmed {
    std::string body;
    bool stop = false;
};

Trimmed trimToken(std::string_view raw) {
    // Typographic quotes and marks, which are no ASCII, go wherever they are.
    std::string t;
    size_t i = 0;
    while (i < raw.size()) {
        const utf8::Char c = utf8::at(raw, i);
        const char32_t code = c.code;
        const bool mark = code == 0x201C || code == 0x201D || code == 0xAB || code == 0xBB || code == 0xBF ||
                          code == 0xA1 || code == 0x300C || code == 0x300D || code == 0x2039 || code == 0x203A;
        if (!mark) t.append(raw.substr(i, c.length));
        i += c.length;
    }
    size_t a = 0, b = t.size();
    while (a < b && isOpener(t[a])) ++a;
    Trimmed out;
    while (b > a && (isTrailer(t[b - 1]) || t[b - 1] == '.')) {
        out.stop = out.stop || t[b - 1] == '.';
        --b;
    }
    out.body = t.substr(a, b - a);
    return out;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A word of letters (accents folded) and inner apostrophes, lower case; runs
// of digits inside it come back apart (MP3 -> "mp", "3").
std::vector<std::string> lettersAndDigits(std::string_view token) {
    std::vector<std::string> parts;
    std::string cur;
    bool curDigits = false;
    const auto flush = [&] {
        while (!cur.empty() && cur.back() == '\'') cur.pop_back();
        size_t a = 0;
        while (a < cur.size() && cur[a] == '\'') ++a;
        if (a < cur.size()) parts.push_back(cur.substr(a));
        cur.clear();
    };
    size_t i = 0;
    while (i < token.size()) {
        const utf8::Char c = utf8::at(token, i);
        i += c.length;
        if (c.code < 0x80 && isDigit(static_cast<char>(c.code))) {
            if (!curDigits) flush();
            curDigits = true;
            cur += static_cast<char>(c.code);
            continue;
        }
        const char letter = c.code == '\'' ? '\'' : foldLetter(c.code);
        if (letter == 0) {
            flush();
            curDigits = false;
            continue;
        }
        if (curDigits) flush();
        curDigits = false;
        cur += letter;
    }
    flush();
    return parts;
}

class Reader {
public:
    std::vector<SpokenToken> tokens;

    void read(const std::vector<std::string>& raw) {
        for (size_t k = 0; k < raw.size(); ++k) {
            const Trimmed t = trimToken(raw[k]);
            if (t.body.empty()) continue;
            const std::string next = k + 1 < raw.size() ? trimToken(raw[k + 1]).body : std::string();
            token(t, next);
        }
    }

private:
    void emit(const std::string& written, Readings readings) {
        if (readings.empty()) return;
        tokens.push_back(SpokenToken{written, std::move(readings)});
        lastWasNumber_ = false;
    }
    void emitNumber(const std::string& written, Readings readings) {
        emit(written, std::move(readings));
        lastWasNumber_ = true;
    }

    void token(const Trimmed& t, const std::string& next) {
        const std::string& body = t.body;
        const std::string key = lower(body);
        if (const auto it = abbreviations().find(key); it != abbreviations().end()) {
            // "ms", "st", "dr" without a full stop are words or names as often.
            const bool dotted = t.stop || key.find('.') != std::string::npos;
            if (dotted || key == "etc" || key == "vs") {
                emit(body, it->second);
                return;
            }
        }
        if (key == "no" && t.stop && !next.empty() && isDigit(next.front())) {
            emit(body, {{"number"}});
            return;
        }
        if ((key == "am" || key == "pm") && lastWasNumber_) {
            emit(body, {{key.substr(0, 1), "m"}});
            return;
        }
        if (number(body)) return;
        // Dotted initials (U.S.A.): the letters.
        if (body.find('.') != std::string::npos) {
            bool letters = true;
            for (size_t i = 0; i < body.size(); ++i)
                letters = letters && (i % 2 == 0 ? std::isalpha(static_cast<unsigned char>(body[i])) != 0 : body[i] == '.');
            if (letters) {
                Words w;
                for (size_t i = 0; i < body.size(); i += 2) w.push_back(lower(body.substr(i, 1)));
                emit(body, {w});
                return;
            }
        }
        for (const std::string& part : lettersAndDigits(body)) {
            if (isDigit(part.front())) {
                emitNumber(part, integerReadings(part));
            } else {
                emit(part, {{part}});
            }
        }
    }

    // Numbers in their written forms; false when body is none.
    bool number(const std::string& body) {
        if (body.empty()) return false;
        for (const Currency& c : kCurrencies) {
            const std::string_view sym = c.symbol;
            if (body.size() > sym.size() && body.compare(0, sym.size(), sym) == 0 && isDigit(body[sym.size()])) {
                const std::string amount = withoutGroupCommas(body.substr(sym.size()));
                const size_t dot = amount.find('.');
                const std::string whole = amount.substr(0, dot);
                const std::string cents = dot == std::string::npos ? std::string() : amount.substr(dot + 1);
                if (!allDigits(whole) || (!cents.empty() && !allDigits(cents))) return false;
                emitNumber(body, moneyReadings(c, whole, cents));
                return true;
            }
        }
        if (!isDigit(body.front()) && !(body.front() == '.' && body.size() > 1 && isDigit(body[1])) &&
            !(body.front() == '\'' && body.size() > 1 && isDigit(body[1])))
            return false;
        // 50%, 2.5%
        if (body.back() == '%') {
            const std::string n = withoutGroupCommas(body.substr(0, body.size() - 1));
            const Readings r = plainNumber(n);
            if (r.empty()) return false;
            emitNumber(body, followedBy(r, {"percent"}));
            return true;
        }
        // 9:30, 9:30am, 9am, 9pm
        std::string clock = lower(body);
        std::string meridiem;
        if (clock.size() > 2 && (clock.ends_with("am") || clock.ends_with("pm"))) {
            meridiem = clock.substr(clock.size() - 2);
            clock.resize(clock.size() - 2);
        }
        if (const size_t colon = clock.find(':'); colon != std::string::npos) {
            const std::string h = clock.substr(0, colon), m = clock.substr(colon + 1);
            if (allDigits(h) && allDigits(m) && h.size() <= 2 && m.size() == 2 && std::stoi(h) < 25 && std::stoi(m) < 60) {
                Readings r = timeReadings(std::stoi(h), std::stoi(m));
                if (!meridiem.empty()) r = followedBy(r, {meridiem.substr(0, 1), "m"});
                emitNumber(body, r);
                return true;
            }
            return false;
        }
        if (!meridiem.empty() && allDigits(clock) && clock.size() <= 2) {
            emitNumber(body, followedBy(Readings{cardinalWords(std::stoi(clock))}, {meridiem.substr(0, 1), "m"}));
            return true;
        }
        // 21st, 2nd, 100th
        const std::string low = lower(body);
        for (const char* suffix : {"st", "nd", "rd", "th"}) {
            if (low.size() > 2 && low.ends_with(suffix) && allDigits(low.substr(0, low.size() - 2))) {
                const auto n = toNumber(low.substr(0, low.size() - 2));
                if (!n) return false;
                Words w = cardinalWords(*n);
                w.back() = ordinalOf(w.back());
                emitNumber(body, {w});
                return true;
            }
        }
        // 1990s, '90s, 90s
        if (low.size() >= 3 && low.back() == 's') {
            std::string digits = low.substr(0, low.size() - 1);
            if (!digits.empty() && digits.front() == '\'') digits.erase(0, 1);
            if (allDigits(digits) && (digits.size() == 2 || digits.size() == 4) && digits.back() == '0') {
                const auto n = toNumber(digits);
                Words w;
                if (digits.size() == 4) {
                    if (auto year = yearWords(*n)) w = *year;
                    if (w.empty()) w = cardinalWords(*n);
                } else {
                    w = cardinalWords(*n);
                }
                w.back() = pluralOf(w.back());
                emitNumber(body, {w});
                return true;
            }
        }
        // 1,250 is no year.
        const Readings r = plainNumber(withoutGroupCommas(body), body.find(',') == std::string::npos);
        if (r.empty()) return false;
        emitNumber(body, r);
        return true;
    }

    // 1,000,000 -> 1000000: commas between groups of three digits go; a
    // number with commas elsewhere stays as it is (and is read as no number).
    static std::string withoutGroupCommas(const std::string& s) {
        const size_t dot = s.find('.');
        const std::string whole = s.substr(0, dot);
        if (whole.find(',') == std::string::npos) return s;
        std::string out;
        size_t group = 0;
        for (size_t i = 0; i < whole.size(); ++i) {
            if (whole[i] != ',') {
                out += whole[i];
                ++group;
                continue;
            }
            const bool firstGroup = out.size() == group;
            if ((firstGroup && (group < 1 || group > 3)) || (!firstGroup && group != 3)) return s;
            group = 0;
        }
        if (group != 3) return s;
        return out + (dot == std::string::npos ? std::string() : s.substr(dot));
    }

    // 12, 3.5, .5; nothing for anything else.
    static Readings plainNumber(const std::string& s, bool asYear = true) {
        if (allDigits(s)) return integerReadings(s, asYear);
        const size_t dot = s.find('.');
        if (dot == std::string::npos) return {};
        const std::string whole = s.substr(0, dot), fraction = s.substr(dot + 1);
        if ((!whole.empty() && !allDigits(whole)) || !allDigits(fraction)) return {};
        return decimalReadings(whole, fraction);
    }

    bool lastWasNumber_ = false;
};

}  // namespace

std::vector<std::string> cardinalWords(int64_t n, bool withAnd) {
    Words out;
    if (n <= 0) {
        out.push_back("zero");
        return out;
    }
    static const std::pair<int64_t, const char*> scales[] = {
        {1'000'000'000, "billion"}, {1'000'000, "million"}, {1'000, "thousand"}};
    int64_t rest = n;
    for (const auto& [size, name] : scales) {
        if (rest >= size) {
            appendBelow1000(out, static_cast<int>(rest / size), withAnd);
            out.push_back(name);
            rest %= size;
        }
    }
    if (rest > 0) {
        if (withAnd && rest < 100 && n > 100) out.push_back("and");
        appendBelow1000(out, static_cast<int>(rest), withAnd);
    }
    return out;
}

std::vector<SpokenToken> spokenForm(std::string_view sentence) {
    const std::string plain = plainText(sentence);
    std::vector<std::string> raw;
    size_t i = 0;
    while (i < plain.size()) {
        while (i < plain.size() && plain[i] == ' ') ++i;
        const size_t start = i;
        while (i < plain.size() && plain[i] != ' ') ++i;
        if (i > start) raw.push_back(plain.substr(start, i - start));
    }
    Reader reader;
    reader.read(raw);
    return std::move(reader.tokens);
}

}  // namespace qm::align
