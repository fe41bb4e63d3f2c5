#!/usr/bin/python3
"""Writes the stand-in product's data files into a folder.

Usage: make_payload_data.py <output-folder> <product-version>

Every byte comes from a fixed seed and a generator of our own, so that each build, on any
Python 3, makes the same files. The lists are sized like the real ones so that packing them
exercises the compressor.
"""

import os
import struct
import sys

MASK64 = (1 << 64) - 1


class Random:
    """splitmix64: small, and the same on every Python version."""

    def __init__(self, seed):
        self.state = seed & MASK64

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & MASK64
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK64
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK64
        return z ^ (z >> 31)

    def below(self, n):
        return self.next() % n

    def pick(self, items):
        return items[self.below(len(items))]

    def chance(self, percent):
        return self.below(100) < percent


SYLLABLES = [c + v for c in "bcdfghjklmnpqrstvwxyz" for v in ["a", "e", "i", "o", "u", "an", "ao", "en", "ing", "ong"]]
TLDS = ["com"] * 8 + ["cn"] * 5 + ["net"] * 3 + ["com.cn", "org", "info", "top", "xyz", "cc", "tv", "me"]
PATH_WORDS = ["ad", "ads", "adv", "banner", "pop", "track", "stat", "count", "pixel", "media", "img",
              "js", "union", "cpro", "promo", "click", "show", "log", "beacon", "collect", "sponsor",
              "float", "couplet", "tui", "guang", "gao", "delivery", "serve", "slot", "feed"]
ELEMENT_WORDS = ["ad", "ads", "adbox", "banner", "sponsor", "promo", "float", "popup", "gg",
                 "guanggao", "tuiguang", "couplet", "side-ad", "top-ad", "foot-ad", "ad-wrap",
                 "adsbygoogle", "sidebar-ad", "text-ad", "ad-slot", "union", "cpro", "hot-ad"]
FILE_TYPES = ["gif", "jpg", "png", "js", "swf", "html", "php"]
OPTIONS = ["third-party", "script", "image", "subdocument", "object", "popup", "xmlhttprequest",
           "stylesheet", "domain="]


def make_name(rng, low, high):
    return "".join(rng.pick(SYLLABLES) for _ in range(low + rng.below(high - low + 1)))


def make_domain(rng):
    name = make_name(rng, 2, 4)
    if rng.chance(20):
        name += str(rng.below(100))
    return name + "." + rng.pick(TLDS)


def make_host(rng, domain):
    if rng.chance(45):
        return rng.pick(["ad", "ads", "img", "static", "cdn", "s", "stat", "track", "union", "log",
                         "count", "pic", "m", "www", "api", "click"]) + "." + domain
    return domain


def make_path(rng):
    parts = [rng.pick(PATH_WORDS) for _ in range(1 + rng.below(3))]
    if rng.chance(40):
        parts.append(rng.pick(PATH_WORDS) + str(rng.below(1000)) + "." + rng.pick(FILE_TYPES))
    return "/" + "/".join(parts)


def make_options(rng, domains):
    chosen = []
    for _ in range(1 + rng.below(2)):
        option = rng.pick(OPTIONS)
        if option == "domain=":
            option += "|".join(rng.pick(domains) for _ in range(1 + rng.below(3)))
        if option not in chosen:
            chosen.append(option)
    return "$" + ",".join(chosen)


def filter_list(rng, title, version, size, element_share, exception_share):
    """Blocking rules in the filter-list syntax the product reads."""
    domains = [make_domain(rng) for _ in range(900)]
    lines = ["[Adblock Plus 2.0]", "! Title: " + title, "! Version: " + version,
             "! Expires: 4 days", "! Generated for the Veltrin stand-in product; not a real list.", "!"]
    total = sum(len(line) + 1 for line in lines)
    section = 0
    while total < size:
        if rng.chance(1):
            section += 1
            line = "! ---- section %d ----" % section
        else:
            roll = rng.below(100)
            domain = rng.pick(domains) if rng.chance(60) else make_domain(rng)
            if roll < element_share:
                if rng.chance(55):
                    line = make_host(rng, domain) + "##." + rng.pick(ELEMENT_WORDS)
                else:
                    line = "##" + rng.pick(["div", "a", "iframe", "img", "span"]) + rng.pick(
                        ["#", "."]) + rng.pick(ELEMENT_WORDS) + ("-%d" % rng.below(50) if rng.chance(50) else "")
            elif roll < element_share + exception_share:
                line = "@@||" + make_host(rng, domain) + "^$" + rng.pick(["document", "elemhide", "script", "image"])
            elif roll < 75:
                line = "||" + make_host(rng, domain) + "^" + (make_options(rng, domains) if rng.chance(50) else "")
            elif roll < 90:
                line = "||" + make_host(rng, domain) + make_path(rng)
            else:
                line = make_path(rng) + ("*" if rng.chance(50) else "") + (make_options(rng, domains) if rng.chance(30) else "")
        lines.append(line)
        total += len(line) + 1
    return "\n".join(lines) + "\n"


def malware_domains(rng, size):
    kinds = ["malware", "phishing", "attack_page", "botnet", "exploit", "trojan", "fraud"]
    sources = ["report", "honeypot", "sandbox", "partner", "crawler", "user"]
    lines = ["# Malware domains, one per line: domain, kind, source, date listed.",
             "# Generated for the Veltrin stand-in product; not a real list."]
    total = sum(len(line) + 1 for line in lines)
    while total < size:
        line = "%s\t%s\t%s\t20%02d%02d%02d" % (
            make_host(rng, make_domain(rng)), rng.pick(kinds), rng.pick(sources),
            15 + rng.below(9), 1 + rng.below(12), 1 + rng.below(28))
        lines.append(line)
        total += len(line) + 1
    return "\n".join(lines) + "\n"


def good_domains(rng, size):
    lines = []
    total = 0
    while total < size:
        line = make_host(rng, make_domain(rng)) if rng.chance(30) else make_domain(rng)
        lines.append(line)
        total += len(line) + 1
    return "\n".join(lines) + "\n"


# Plain, harmless characters: the stand-in word list only has to look like one.
WORD_CHARACTERS = ("天地人和山水风云花草木石日月星光明春夏秋冬东南西北上下左右大小多少高低长短"
                   "金银铜铁红黄蓝绿白黑紫青灰粉古今新旧前后内外开关出入来去买卖问答读写听说看"
                   "文字书画歌舞茶酒米面鱼肉果菜门窗桌椅车船路桥城村河湖海岛林田园家国心手")


def bad_words(rng, count):
    words = []
    for _ in range(count):
        if rng.chance(15):
            words.append(make_name(rng, 2, 3))
        else:
            words.append("".join(rng.pick(WORD_CHARACTERS) for _ in range(2 + rng.below(3))))
    return "\n".join(words) + "\n"


def product_rules(rng, size):
    lines = ["# Veltrin URL rules: action|pattern. Later rules win.", "version|1"]
    domains = [make_domain(rng) for _ in range(120)]
    total = sum(len(line) + 1 for line in lines)
    while total < size:
        action = rng.pick(["block", "block", "block", "allow", "redirect"])
        pattern = "*." + rng.pick(domains) + make_path(rng) + "*"
        line = action + "|" + pattern
        if action == "redirect":
            line += "|about:blank"
        lines.append(line)
        total += len(line) + 1
    return "\n".join(lines) + "\n"


def global_config(version):
    settings = [("ProductVersion", version), ("ProxyPort", "8118"), ("FilterAds", "true"),
                ("FilterTrackers", "true"), ("FilterMalware", "true"), ("FilterWords", "true"),
                ("ModifyPages", "true"), ("UpdateHours", "24"), ("LogLevel", "1"),
                ("RulesFile", "kestrelrules.txt"), ("TrustedDomains", "gooddomain.txt")]
    lists = ["easylistchina.txt", "easyprivacy.txt", "malwaredomains_full.txt", "badword.txt"]
    text = ['<?xml version="1.0" encoding="utf-8"?>', "<configuration>", "  <appSettings>"]
    text += ['    <add key="%s" value="%s" />' % setting for setting in settings]
    text += ["  </appSettings>", "  <filterLists>"]
    text += ['    <list file="%s" enabled="true" />' % name for name in lists]
    text += ["  </filterLists>", "</configuration>"]
    return "\r\n".join(text) + "\r\n"


def file_list(version):
    files = ["kestrel.exe", "kstupdate.exe", "KestrelMain.exe", "App_Themesu.dll",
             "ksthooker32.dll", "kstservice.exe", "App_Config\\Kestrel_Global.config",
             "App_Themes\\Themes\\default.themes", "badword.txt", "kestrelrules.txt",
             "easylistchina.txt", "malwaredomains_full.txt", "easyprivacy.txt", "gooddomain.txt"]
    return "[filelist]\r\nversion=%s\r\n" % version + "".join(
        "%s=%s\r\n" % (name, version) for name in files)


def bitmap(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b)."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - width * 3)
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def theme_bundle(rng):
    """A small archive: a table of entries (name, offset, size) and the entries behind it."""
    def background(x, y):
        grain = rng.below(6)
        return (40 + x * 60 // 320 + grain, 90 + y * 80 // 240 + grain, 160 + grain)

    def buttons(x, y):
        cell = x // 96
        edge = x % 96 in (0, 95) or y in (0, 31)
        base = (230, 230, 230) if cell == 0 else (200, 220, 250) if cell == 1 else (150, 180, 230)
        return (90, 90, 90) if edge else tuple(max(0, c - y) for c in base)

    def icons(x, y):
        cx, cy = x % 24 - 12, y - 12
        inside = cx * cx + cy * cy < 100
        hue = (x // 24) * 37 % 256
        return (hue, 255 - hue, 128) if inside else (255, 255, 255)

    style = "\r\n".join([
        '<?xml version="1.0" encoding="utf-8"?>', '<theme name="default" version="1">',
        '  <color name="window" value="#F4F6FA" />', '  <color name="text" value="#1F2A3A" />',
        '  <color name="accent" value="#2F6BD8" />', '  <color name="warning" value="#D8842F" />',
        '  <font name="body" face="Microsoft YaHei" size="9" />',
        '  <font name="title" face="Microsoft YaHei" size="12" bold="true" />',
        '  <image name="background" file="background.bmp" />',
        '  <image name="buttons" file="buttons.bmp" cells="3" />',
        '  <image name="icons" file="icons.bmp" cells="16" />', "</theme>"]) + "\r\n"
    entries = [("theme.xml", style.encode("utf-8")),
               ("background.bmp", bitmap(320, 240, background)),
               ("buttons.bmp", bitmap(288, 32, buttons)),
               ("icons.bmp", bitmap(384, 24, icons))]
    table_size = 12 + sum(2 + len(name) + 8 for name, _ in entries)
    table = bytearray(b"KTHM" + struct.pack("<II", 1, len(entries)))
    offset = table_size
    for name, data in entries:
        table += struct.pack("<H", len(name)) + name.encode("ascii") + struct.pack("<II", offset, len(data))
        offset += len(data)
    return bytes(table) + b"".join(data for _, data in entries)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_payload_data.py <output-folder> <product-version>")
    folder, version = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    files = {
        "Kestrel_Global.config": global_config(version).encode("utf-8"),
        "default.themes": theme_bundle(Random(1)),
        "filelist": file_list(version).encode("ascii"),
        "badword.txt": bad_words(Random(2), 4000).encode("utf-8"),
        "kestrelrules.txt": product_rules(Random(3), 14 * 1024).encode("ascii"),
        "easylistchina.txt": filter_list(Random(4), "EasyList China", version, 380 * 1024, 35, 5).encode("ascii"),
        "malwaredomains_full.txt": malware_domains(Random(5), 420 * 1024).encode("ascii"),
        "easyprivacy.txt": filter_list(Random(6), "EasyPrivacy", version, 160 * 1024, 5, 3).encode("ascii"),
        "gooddomain.txt": good_domains(Random(7), 300 * 1024).encode("ascii"),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as output:
            output.write(data)


if __name__ == "__main__":
    main()
