#!/usr/bin/python3
"""A small OAuth 2.0 authorization server for the tests, on 127.0.0.1 only.

  oauth_server.py HARNESS_DIR PORT

Endpoints (form POST unless said):
  GET  /authorize    redirect_uri must be http://127.0.0.1:PORT/..., code_challenge with S256 required;
                     approves at once for login_hint (no page) with 302 to redirect_uri?code=&state=,
                     or error=access_denied when login_hint is "denied"
  POST /token        grant_type authorization_code (single-use code, same client_id and
                     redirect_uri, PKCE checked), refresh_token (rotating), and the device code
                     grant (authorization_pending, slow_down, access_denied, expired_token)
  POST /device       device_code, user_code, verification_uri, expires_in, interval
  GET  /device/approve?user_code=&user=   stands in for the user typing the code (deny=1 refuses)
  POST /revoke       RFC 7009; revoking a refresh token kills its access tokens too
  POST /introspect   RFC 7662 for Dovecot's oauth2 passdb: {"active": true, "username": ...}
                     or {"active": false}
Test controls (JSON in and out):
  POST /admin/reset  {"access_lifetime": s, "device_interval": s}: forgets every token
  POST /admin/kill-access {"user": u}: that user's access tokens stop working (refresh stays)
  POST /admin/revoke-refresh {"user": u}: that user's refresh tokens (and access tokens) die
  GET  /admin/log    counts of each grant and of introspections
"""
import base64
import hashlib
import json
import secrets
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOCK = threading.Lock()
STATE = {}


def reset(access_lifetime=3600, device_interval=1):
    STATE.clear()
    STATE.update(access_lifetime=access_lifetime, device_interval=device_interval, codes={}, access={},
                 refresh={}, devices={}, log={})


def count(name):
    STATE["log"][name] = STATE["log"].get(name, 0) + 1


def issue(user, client_id):
    access = "at_" + secrets.token_urlsafe(24)
    refresh = "rt_" + secrets.token_urlsafe(24)
    STATE["refresh"][refresh] = {"user": user, "client_id": client_id}
    STATE["access"][access] = {"user": user, "refresh": refresh,
                               "expires": time.time() + STATE["access_lifetime"]}
    return {"access_token": access, "refresh_token": refresh, "token_type": "Bearer",
            "expires_in": STATE["access_lifetime"], "scope": "mail"}


def loopback(uri):
    parts = urllib.parse.urlsplit(uri)
    return parts.scheme == "http" and parts.hostname == "127.0.0.1" and parts.port


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def reply(self, status, body=None, headers=()):
        data = json.dumps(body).encode() if body is not None else b""
        self.send_response(status)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def error(self, code, description="", status=400):
        self.reply(status, {"error": code, "error_description": description})

    def form(self):
        length = int(self.headers.get("Content-Length") or 0)
        raw = self.rfile.read(length).decode()
        if self.headers.get("Content-Type", "").startswith("application/json"):
            return json.loads(raw or "{}")
        return {k: v[0] for k, v in urllib.parse.parse_qs(raw, keep_blank_values=True).items()}

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        q = {k: v[0] for k, v in urllib.parse.parse_qs(url.query, keep_blank_values=True).items()}
        with LOCK:
            if url.path == "/authorize":
                return self.authorize(q)
            if url.path == "/device/approve":
                device = next((d for d in STATE["devices"].values() if d["user_code"] == q.get("user_code")), None)
                if not device:
                    return self.error("invalid_request", "unknown user_code", 404)
                device["state"] = "denied" if q.get("deny") else "approved"
                device["user"] = q.get("user", "alice")
                return self.reply(200, {"ok": True})
            if url.path == "/admin/log":
                return self.reply(200, STATE["log"])
        self.error("not_found", status=404)

    def authorize(self, q):
        redirect = q.get("redirect_uri", "")
        if not loopback(redirect):
            return self.error("invalid_request", "redirect_uri must be a loopback address")
        if q.get("response_type") != "code" or not q.get("client_id"):
            return self.error("invalid_request", "response_type code and client_id required")
        if q.get("code_challenge_method") != "S256" or len(q.get("code_challenge", "")) < 43:
            return self.error("invalid_request", "PKCE with S256 required")
        count("authorize")
        sep = "&" if "?" in redirect else "?"
        state = urllib.parse.quote(q.get("state", ""), safe="")
        if q.get("login_hint") == "denied":
            return self.reply(302, None, [("Location", f"{redirect}{sep}error=access_denied&state={state}")])
        code = "code_" + secrets.token_urlsafe(16)
        STATE["codes"][code] = {"user": q.get("login_hint") or "alice", "client_id": q["client_id"],
                                "redirect_uri": redirect, "challenge": q["code_challenge"]}
        self.reply(302, None, [("Location", f"{redirect}{sep}code={code}&state={state}")])

    def do_POST(self):
        path = urllib.parse.urlsplit(self.path).path
        f = self.form()
        with LOCK:
            if path == "/token":
                return self.token(f)
            if path == "/device":
                if not f.get("client_id"):
                    return self.error("invalid_client")
                count("device")
                code = secrets.token_urlsafe(16)
                user_code = secrets.token_hex(4).upper()
                STATE["devices"][code] = {"user_code": user_code, "client_id": f["client_id"], "state": "pending",
                                          "expires": time.time() + 60, "last_poll": 0}
                return self.reply(200, {"device_code": code, "user_code": user_code,
                                        "verification_uri": f"http://127.0.0.1:{PORT}/device/approve",
                                        "verification_uri_complete":
                                            f"http://127.0.0.1:{PORT}/device/approve?user_code={user_code}",
                                        "expires_in": 60, "interval": STATE["device_interval"]})
            if path == "/revoke":
                self.revoke_refresh(lambda token, info: token == f.get("token"))
                STATE["access"].pop(f.get("token", ""), None)
                return self.reply(200, {})
            if path == "/introspect":
                count("introspect")
                info = STATE["access"].get(f.get("token", ""))
                if not info or info["expires"] < time.time():
                    return self.reply(200, {"active": False})
                return self.reply(200, {"active": True, "username": info["user"], "scope": "mail"})
            if path == "/admin/reset":
                reset(int(f.get("access_lifetime", 3600)), int(f.get("device_interval", 1)))
                return self.reply(200, {})
            if path == "/admin/kill-access":
                for info in STATE["access"].values():
                    if info["user"] == f.get("user"):
                        info["expires"] = 0
                return self.reply(200, {})
            if path == "/admin/revoke-refresh":
                self.revoke_refresh(lambda token, info: info["user"] == f.get("user"))
                return self.reply(200, {})
        self.error("not_found", status=404)

    def revoke_refresh(self, match):
        for token in [t for t, info in STATE["refresh"].items() if match(t, info)]:
            del STATE["refresh"][token]
            for access in [a for a, i in STATE["access"].items() if i["refresh"] == token]:
                del STATE["access"][access]

    def token(self, f):
        grant = f.get("grant_type")
        count("grant:" + str(grant))
        if grant == "authorization_code":
            entry = STATE["codes"].pop(f.get("code", ""), None)  # single use
            if not entry or entry["client_id"] != f.get("client_id") or entry["redirect_uri"] != f.get("redirect_uri"):
                return self.error("invalid_grant", "unknown code, or another client_id / redirect_uri")
            digest = hashlib.sha256(f.get("code_verifier", "").encode()).digest()
            if base64.urlsafe_b64encode(digest).rstrip(b"=").decode() != entry["challenge"]:
                return self.error("invalid_grant", "PKCE verifier does not match")
            return self.reply(200, issue(entry["user"], entry["client_id"]))
        if grant == "refresh_token":
            info = STATE["refresh"].get(f.get("refresh_token", ""))
            if not info or info["client_id"] != f.get("client_id"):
                return self.error("invalid_grant", "refresh token revoked, expired or unknown")
            self.revoke_refresh(lambda token, i: token == f["refresh_token"])  # rotation
            return self.reply(200, issue(info["user"], info["client_id"]))
        if grant == "urn:ietf:params:oauth:grant-type:device_code":
            device = STATE["devices"].get(f.get("device_code", ""))
            if not device or device["client_id"] != f.get("client_id"):
                return self.error("invalid_grant")
            now = time.time()
            too_fast = now - device["last_poll"] < STATE["device_interval"] * 0.9
            device["last_poll"] = now
            if device["expires"] < now:
                return self.error("expired_token")
            if too_fast:
                return self.error("slow_down")
            if device["state"] == "pending":
                return self.error("authorization_pending")
            del STATE["devices"][f["device_code"]]
            if device["state"] == "denied":
                return self.error("access_denied")
            return self.reply(200, issue(device["user"], device["client_id"]))
        self.error("unsupported_grant_type")


if __name__ == "__main__":
    PORT = int(sys.argv[2])
    reset()
    server = ThreadingHTTPServer(("127.0.0.1", PORT), Handler)
    server.serve_forever()
