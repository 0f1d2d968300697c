#!/usr/bin/env python3
"""Writes the three language tables of Language/ (run: python3 data/make-language-tables.py).

The program reads them as private-profile INI files in the Chinese Windows code page, so
they are written as GBK with CRLF line ends. "Name" is the product name the program puts
into the main window's 60-pixel name label and in front of window titles such as
"<Name> Player"; a bare "Lumora" fits the label in every language and reads well in all
of those titles.
"""
from pathlib import Path

TABLES = {
    "Chinese Simplified.db": ["Lumora", "影视片库", "电视直播", "应用中心", "玩玩游戏", "官方推荐"],
    "Chinese Traditional.db": ["Lumora", "影視片庫", "電視直播", "應用中心", "玩玩遊戲", "官方推薦"],
    "English.db": ["Lumora", "Movies", "Live TV", "Apps", "Games", "Featured"],
}


def main() -> None:
    folder = Path(__file__).resolve().parent / "Language"
    folder.mkdir(exist_ok=True)
    for file_name, (name, *columns) in TABLES.items():
        lines = ["[Config]", f"Name={name}"]
        lines += [f"Column {n}={title}" for n, title in enumerate(columns, start=1)]
        (folder / file_name).write_bytes(("\r\n".join(lines) + "\r\n").encode("gbk"))


if __name__ == "__main__":
    main()
