"""lndtool web: the page `make web` builds made into one HTML file with the
landscape inside it (read back: the scripts in place, the landscape and the
module decoded from base64 byte for byte), and the one ERROR line when there
is no page, the page is not that page or the landscape is damaged. The page
here is a stand-in folder with the four files and the markers of the real
one; tests/web/ opens the real page's file in a browser."""

import base64
import os
import re
import subprocess
import unittest

from lndfile import LandscapeFile
from test_lndtool import TOOL_TIMEOUT, Result, ToolTestCase

PAGE = ('<!DOCTYPE html><html><body>\n<script>/* lndtool web: landscape */</script>\n'
        '<script src="viewer.js"></script>\n<script src="lndview.js"></script>\n</body></html>\n')
VIEWER = "var page = 'viewer'; // ends a </script> or </SCRIPT> early unless escaped\n"
MODULE = "var Module = Module || {}; /* the module's loader */\n"
WASM = bytes(range(256)) * 3 + b"\0asm"


class WebTestCase(ToolTestCase):
    def setUp(self):
        super().setUp()
        self.page = self.path("page")
        os.mkdir(self.page)
        for name, content in (("index.html", PAGE), ("viewer.js", VIEWER), ("lndview.js", MODULE)):
            with open(os.path.join(self.page, name), "w") as f:
                f.write(content)
        with open(os.path.join(self.page, "lndview.wasm"), "wb") as f:
            f.write(WASM)
        self.land = self.path('is "quoted" <b>.lnd')
        LandscapeFile.small().write(self.land)

    def run_web(self, *args, page=None):
        """lndtool web with the page looked for in `page` (the stand-in by default)."""
        env = dict(os.environ, LNDVIEW_WEB_PAGE=page or self.page)
        completed = subprocess.run([self.tool, "web"] + [str(a) for a in args], cwd=self.tmp,
                                   stdin=subprocess.DEVNULL, capture_output=True, timeout=TOOL_TIMEOUT, env=env)
        return Result(completed)

    def test_one_file_holds_the_page_its_scripts_the_module_and_the_landscape(self):
        out = self.path("land.html")
        result = self.run_web(self.land, "-o", out)
        self.assertStatus(result, 0)
        with open(out, encoding="utf-8") as f:
            html = f.read()
        with open(self.land, "rb") as f:
            stored = f.read()
        self.assertIn("wrote %s : %d bytes" % (out, len(html.encode())), result.out)
        # Nothing is left to fetch, and only the page's own script ends close scripts.
        self.assertNotIn(' src="', html)
        self.assertEqual(html.lower().count("</script"), 3)
        self.assertIn("var page = 'viewer'; // ends a <\\/script> or <\\/SCRIPT> early unless escaped", html)
        self.assertIn(MODULE, html)
        data = re.search(r'var LND_EMBEDDED = \{"name": "(.*?)", "land": "([A-Za-z0-9+/=]*)", '
                         r'"wasm": "([A-Za-z0-9+/=]*)"\};', html)
        self.assertIsNotNone(data)
        self.assertEqual(data.group(1), 'is \\"quoted\\" \\u003cb\\u003e.lnd')
        self.assertEqual(base64.b64decode(data.group(2), validate=True), stored)
        self.assertEqual(base64.b64decode(data.group(3), validate=True), WASM)
        # The data comes first, then the page's script, then the module.
        self.assertLess(html.index("LND_EMBEDDED"), html.index("var page"))
        self.assertLess(html.index("var page"), html.index("var Module"))

    def test_base64_of_every_length_modulo_three(self):
        for size in range(0, 7):
            with self.subTest(size=size):
                wasm = bytes((7 * n + size) % 256 for n in range(size))
                with open(os.path.join(self.page, "lndview.wasm"), "wb") as f:
                    f.write(wasm)
                out = self.path("land-%d.html" % size)
                self.assertStatus(self.run_web(self.land, "-o", out), 0)
                with open(out, encoding="utf-8") as f:
                    encoded = re.search(r'"wasm": "([^"]*)"', f.read()).group(1)
                self.assertEqual(encoded, base64.b64encode(wasm).decode())

    def test_refusals_are_one_error_line_and_write_nothing(self):
        out = self.path("land.html")
        damaged = self.path("damaged.lnd")
        with open(self.land, "rb") as f, open(damaged, "wb") as g:
            g.write(f.read()[:2000])
        no_marker = self.path("no-marker")
        os.mkdir(no_marker)
        for name in ("index.html", "viewer.js", "lndview.js", "lndview.wasm"):
            with open(os.path.join(self.page, name), "rb") as f, open(os.path.join(no_marker, name), "wb") as g:
                g.write(f.read().replace(b'<script src="viewer.js"></script>', b"") if name == "index.html" else f.read())
        cases = [
            ((self.land, "-o", out), self.path("nothing-here"), ("the browser viewer is not built", "make web")),
            ((self.land, "-o", out), no_marker, ("index.html", "not the page 'make web' builds",
                                                 '<script src="viewer.js"></script>')),
            ((damaged, "-o", out), None, ("damaged.lnd",)),
            ((self.land, "-o", self.land), None, ("is an input of this command",)),
        ]
        for args, page, fragments in cases:
            with self.subTest(args=args, page=page):
                self.assertOneErrorLine(self.run_web(*args, page=page), *fragments)
                self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main()
