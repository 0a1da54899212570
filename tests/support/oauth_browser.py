#!/usr/bin/python3
"""A scripted browser for the OAuth sign-in tests: opens the authorization address, takes the
authorization server's redirect and follows it to the program's loopback address.

  oauth_browser.py URL [honest|wrong-state]

wrong-state replaces the state in the redirect, as a forged answer would. Prints the page the
program answered with.
"""
import re
import sys
import urllib.error
import urllib.request


class Stop(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args):
        return None


direct = urllib.request.ProxyHandler({})
try:
    urllib.request.build_opener(direct, Stop).open(sys.argv[1])
    sys.exit("the authorization server did not redirect")
except urllib.error.HTTPError as e:
    if e.code != 302:
        sys.exit(f"authorization refused: {e.code} {e.read().decode()}")
    location = e.headers["Location"]
if len(sys.argv) > 2 and sys.argv[2] == "wrong-state":
    location = re.sub(r"state=[^&]*", "state=forged", location)
try:
    print(urllib.request.build_opener(direct).open(location).read().decode())
except urllib.error.HTTPError as e:
    print(e.code, e.read().decode())
