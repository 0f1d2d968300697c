#!/usr/bin/env python3
"""Generates the demo service's pages that come from tables.

- site/ads/<page> for every row of pages.tsv: the value encoded as GBK, no trailing newline,
  because the client reads these pages as whole GBK texts and compares switches byte for byte.
- site/index.html and site/video/<id>.html from videos.tsv.

The output is committed, so the service runs without this step. Run it after editing a table:
    demo/make-site.py [--base http://127.0.0.1:8780/]
The base only goes into address pages; the service rebases them when it listens elsewhere.
"""
import argparse
import html
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
SITE = HERE / "site"
DEFAULT_BASE = "http://127.0.0.1:8780/"
ON, OFF = "开", "关"


def rows(path):
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if line.strip() and not line.startswith("#"):
            yield number, line.split("\t")


def write_text_pages(base):
    for number, fields in rows(HERE / "pages.tsv"):
        if len(fields) != 2 or not fields[0].endswith(".html") or "/" in fields[0]:
            raise SystemExit(f"pages.tsv:{number}: expected 'name.html<TAB>value'")
        name, value = fields
        value = value.replace("{base}", base)
        if value != value.strip() or not value:
            raise SystemExit(f"pages.tsv:{number}: empty value or stray blanks around it")
        # Raises on any character GBK cannot hold, rather than writing a page the client misreads.
        (SITE / "ads" / name).write_bytes(value.encode("gbk"))


HEAD = """<!doctype html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{title}</title>
<link rel="icon" href="data:,">
<link rel="stylesheet" href="{root}assets/site.css">
</head>
"""


def art(video, extra=""):
    return (f'<div class="art{extra}" style="--h:{video["hue"]}"><span class="glyph">{video["glyph"]}</span>'
            f'<span class="kind">{video["category"]}</span><span class="badge">00:10</span>'
            f'<span class="play"></span></div>')


def write_home(videos):
    categories = ["全部"] + sorted({v["category"] for v in videos}, key=[v["category"] for v in videos].index)
    chips = "".join(f'<button class="chip{" on" if c == "全部" else ""}" data-cat="{c}">{c}</button>' for c in categories)
    cards = "\n".join(
        f'<a class="card" href="video/{v["id"]}.html" target="_blank" data-cat="{v["category"]}">'
        f'{art(v)}<h3>{v["title"]}</h3><div class="meta">{v["category"]} · {v["year"]}</div></a>'
        for v in videos)
    first = videos[0]
    page = HEAD.format(title="Lumora 影视片库", root="") + f"""<body>
<header class="topbar">
  <div class="brand"><b>Lumora</b><span>影视片库</span></div>
  <nav class="chips">{chips}</nav>
  <div class="spacer"></div>
  <div class="note">共 {len(videos)} 部 · 点击即播</div>
</header>
<main class="page">
  <a class="hero art" href="video/{first["id"]}.html" target="_blank" style="--h:{first["hue"]}">
    <span class="glyph">{first["glyph"]}</span>
    <div class="hero-text">
      <div class="tag">独家首播</div>
      <h1>{first["title"]}</h1>
      <p>{first["blurb"]}</p>
    </div>
    <span class="cta">立即播放</span>
  </a>
  <h2 class="section-title">热门推荐 <small>每日更新</small></h2>
  <section class="grid">
{cards}
  </section>
</main>
<script>
  // Category chips filter the grid in place; the links stay plain links.
  for (const chip of document.querySelectorAll('.chip')) {{
    chip.addEventListener('click', () => {{
      for (const other of document.querySelectorAll('.chip')) other.classList.toggle('on', other === chip);
      for (const card of document.querySelectorAll('.card')) {{
        card.hidden = chip.dataset.cat !== '全部' && card.dataset.cat !== chip.dataset.cat;
      }}
    }});
  }}
  // Start-up benchmarks read this line in the service's request log.
  window.addEventListener('load', () => {{
    fetch('event?name=home-load', {{cache: 'no-store'}}).catch(() => {{}});
  }});
</script>
</body>
</html>
"""
    (SITE / "index.html").write_text(page, encoding="utf-8")


def write_video_pages(videos):
    (SITE / "video").mkdir(exist_ok=True)
    for index, v in enumerate(videos):
        others = [videos[(index + step) % len(videos)] for step in range(1, 5)]
        more = "\n".join(
            f'<li><a href="{o["id"]}.html">{art(o)}<div><b>{o["title"]}</b><span>{o["category"]} · {o["year"]}</span></div></a></li>'
            for o in others)
        page = HEAD.format(title=f'{v["title"]} - Lumora', root="../") + f"""<body>
<header class="topbar">
  <div class="brand"><b>Lumora</b><span>正在播放</span></div>
  <div class="spacer"></div>
  <a class="back" href="../index.html">返回影视片库</a>
</header>
<main class="player">
  <section>
    <video id="video" src="../media/demo.webm" poster="../media/poster.jpg" autoplay muted loop controls playsinline></video>
    <h1>{v["title"]}</h1>
    <div class="meta">{v["category"]} · {v["year"]} · 00:10</div>
  </section>
  <aside class="side">
    <h2>简介</h2>
    <p>{v["blurb"]}</p>
    <h2>接着看</h2>
    <ul class="more">
{more}
    </ul>
  </aside>
</main>
<script>
  // Tests wait for this: the title and a line in the service's request log.
  document.getElementById('video').addEventListener('playing', () => {{
    document.title = 'playing';
    fetch('../event?name=playing&video={v["id"]}', {{cache: 'no-store'}}).catch(() => {{}});
  }}, {{once: true}});
</script>
</body>
</html>
"""
        (SITE / "video" / f'{v["id"]}.html').write_text(page, encoding="utf-8")


def load_videos():
    keys = ["id", "title", "category", "year", "hue", "glyph", "blurb"]
    videos = []
    for number, fields in rows(HERE / "videos.tsv"):
        if len(fields) != len(keys):
            raise SystemExit(f"videos.tsv:{number}: expected {len(keys)} fields")
        videos.append({k: html.escape(f) for k, f in zip(keys, fields)})
    return videos


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--base", default=DEFAULT_BASE, help="service base address, ending in /")
    base = parser.parse_args().base
    if not base.startswith(("http://", "https://")) or not base.endswith("/"):
        raise SystemExit("--base must be an http(s) address ending in /")
    (SITE / "ads").mkdir(parents=True, exist_ok=True)
    write_text_pages(base)
    videos = load_videos()
    write_home(videos)
    write_video_pages(videos)


if __name__ == "__main__":
    main()
