#!/usr/bin/env python3
"""Writes the web page as one file: page.html with its style, its script and
the WebAssembly module (zlib-compressed, then base64; the page inflates it
with the browser's DecompressionStream) inlined, and a Content-Security-Policy that
allows exactly that style and that script, by their hashes, and nothing else.

Usage: inline.py [--app] page.html page.css page.js [more.js...] module.wasm VERSION OUT.html

The scripts are joined, in their order, into the one script element.
--app writes the web app's index.html: the same page, with its manifest, its
icons and its theme colours linked, and a policy that lets it have them and
register its service worker (sw.js), all from its own folder.
"""
import base64
import hashlib
import os
import subprocess
import sys
import zlib


def digest(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode()).digest()).decode() + "'"


APP_HEAD = """<link rel="manifest" href="manifest.webmanifest">
<link rel="icon" href="icon-192.png" sizes="192x192">
<link rel="apple-touch-icon" href="apple-touch-icon.png">
<meta name="theme-color" content="#8a3b12" media="(prefers-color-scheme: light)">
<meta name="theme-color" content="#161616" media="(prefers-color-scheme: dark)">
<meta name="apple-mobile-web-app-title" content="Sorrel">
"""


def strip_comments(js):
    """The script without comments and indentation (strip_comments.cjs, over
    Debian's acorn): the sources keep their comments, the download its bytes."""
    env = dict(os.environ, NODE_PATH=":".join(filter(None, ["/usr/share/nodejs", os.environ.get("NODE_PATH")])))
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "strip_comments.cjs")
    done = subprocess.run(["node", script], input=js.encode(), capture_output=True, env=env)
    if done.returncode != 0:
        sys.exit("inline.py: strip_comments.cjs failed: " + done.stderr.decode(errors="replace").strip())
    return done.stdout.decode()


def main():
    args = sys.argv[1:]
    app = args[:1] == ["--app"]
    html_path, css_path, *js_paths, wasm_path, version, out_path = args[app:]
    html = open(html_path, encoding="utf-8").read()
    css = open(css_path, encoding="utf-8").read()
    js = strip_comments("\n".join(open(path, encoding="utf-8").read() for path in js_paths))
    wasm = base64.b64encode(zlib.compress(open(wasm_path, "rb").read(), 9)).decode()

    # No network, no frames, no forms, no plug-ins: only this style, this
    # script, compiling this module, and the worker the script makes from its
    # own text (a blob: URL), which inherits this policy.
    csp = "; ".join([
        "default-src 'none'",
        "script-src " + digest(js) + " 'wasm-unsafe-eval'",
        "style-src " + digest(css),
        "worker-src blob:" + (" 'self'" if app else ""),
        "base-uri 'none'",
        "form-action 'none'",
    ] + (["manifest-src 'self'", "img-src 'self'"] if app else []))
    head = APP_HEAD if app else ""
    parts = {
        "@CSP@": csp,
        "@HEAD@": head,
        "@VERSION@": version,
        "@STYLE@": css,
        "@SCRIPT@": js,
        "@MODULE@": wasm,
    }
    for key in parts:
        if key not in html:
            sys.exit(f"inline.py: {html_path} holds no {key}")
    # One pass, so nothing inserted is taken for a placeholder.
    out = []
    rest = html
    while True:
        hits = [(rest.find(k), k) for k in parts if rest.find(k) >= 0]
        if not hits:
            out.append(rest)
            break
        at, key = min(hits)
        out.append(rest[:at])
        out.append(parts[key])
        rest = rest[at + len(key):]
    with open(out_path, "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(out))


main()
