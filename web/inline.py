#!/usr/bin/env python3
"""Writes the web page as one file: page.html with its style, its script and
the WebAssembly module (zlib-compressed, then base64; the page inflates it
with the browser's DecompressionStream) inlined, and a Content-Security-Policy that
allows exactly that style and that script, by their hashes, and nothing else.

Usage: inline.py page.html page.css page.js [more.js...] module.wasm VERSION OUT.html

The scripts are joined, in their order, into the one script element.
"""
import base64
import hashlib
import sys
import zlib


def digest(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode()).digest()).decode() + "'"


def main():
    html_path, css_path, *js_paths, wasm_path, version, out_path = sys.argv[1:]
    html = open(html_path, encoding="utf-8").read()
    css = open(css_path, encoding="utf-8").read()
    js = "\n".join(open(path, encoding="utf-8").read() for path in js_paths)
    wasm = base64.b64encode(zlib.compress(open(wasm_path, "rb").read(), 9)).decode()

    # No network, no frames, no forms, no plug-ins: only this style, this
    # script, compiling this module, and the worker the script makes from its
    # own text (a blob: URL), which inherits this policy.
    csp = "; ".join([
        "default-src 'none'",
        "script-src " + digest(js) + " 'wasm-unsafe-eval'",
        "style-src " + digest(css),
        "worker-src blob:",
        "base-uri 'none'",
        "form-action 'none'",
    ])
    parts = {
        "@CSP@": csp,
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
