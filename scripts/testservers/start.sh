#!/bin/bash
# Starts the mail test servers on 127.0.0.1 in a harness folder of their own:
#   start.sh HARNESS_DIR
# POP3 11110 (STLS), POP3S 11995, APOP            Dovecot
# SMTP 12587 (STARTTLS + AUTH), SMTPS 12465       Dovecot submission, relays to 12525
# SMTP 12525 plain, no AUTH                       OpenSMTPD, delivers into the maildirs
# HTTP 12080 OAuth 2.0 authorization server        oauth_server.py (tokens for XOAUTH2/OAUTHBEARER)
# Works as root without systemd. The ports are fixed and OpenSMTPD runs once per machine,
# so one harness runs at a time: a machine-wide lock makes a second start wait for the
# first harness to stop (RICORNE_TESTSERVERS_WAIT seconds, default 900).
#
# Other users of the same servers (the demo) set:
#   RICORNE_SERVERS_PORTS="POP3 POP3S SUBMISSION SUBMISSIONS SMTP"   other ports
#   RICORNE_SERVERS_USERS=FILE                 user:password lines instead of users.passwd
#   RICORNE_SERVERS_PRIVATE=1                  no machine-wide lock; OpenSMTPD gets its own
#                                              /run and spool (a private mount namespace),
#                                              so it runs beside the tests' one
# A harness folder that already has tls/cert.pem and tls/key.pem keeps them.
set -euo pipefail
umask 022
HERE=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 HARNESS_DIR" >&2; exit 2; }
H=$1
case $H in /*) ;; *) H=$(pwd)/$H ;; esac
case $H in *[!A-Za-z0-9/._-]*) echo "start.sh: harness path must be plain ASCII: $H" >&2; exit 2 ;; esac
LOCK=/tmp/ricorne-testservers.lock
PORTS=${RICORNE_SERVERS_PORTS:-11110 11995 12587 12465 12525}
USERS=${RICORNE_SERVERS_USERS:-$HERE/users.passwd}
PRIVATE=${RICORNE_SERVERS_PRIVATE:-}
read -r POP3_PORT POP3S_PORT SUBMISSION_PORT SUBMISSIONS_PORT SMTP_PORT OAUTH_PORT <<< "$PORTS"
[ -n "$SMTP_PORT" ] || { echo "start.sh: RICORNE_SERVERS_PORTS needs five ports" >&2; exit 2; }
# The OAuth test authorization server: a sixth port, else 445 below the SMTP one (12080, 22080).
OAUTH_PORT=${OAUTH_PORT:-$((SMTP_PORT - 445))}
PORTS="$POP3_PORT $POP3S_PORT $SUBMISSION_PORT $SUBMISSIONS_PORT $SMTP_PORT $OAUTH_PORT"
[ -r "$USERS" ] || { echo "start.sh: no users file $USERS" >&2; exit 2; }

die() { echo "start.sh: $*" >&2; exit 1; }
for c in dovecot doveconf openssl smtpd smtpctl; do
    command -v $c >/dev/null || die "$c missing (scripts/deps.sh --test installs it)"
done
[ -z "$PRIVATE" ] || command -v unshare >/dev/null || die "unshare missing (util-linux)"
[ -x /usr/lib/dovecot/pop3 ] || die "dovecot-pop3d missing"
[ -x /usr/lib/dovecot/submission ] || die "dovecot-submissiond missing"
getent passwd dovecot dovenull mail >/dev/null || die "users dovecot/dovenull/mail missing"
[ "$(id -u)" -eq 0 ] || die "must run as root (Dovecot and OpenSMTPD switch users)"

# Leftovers of an earlier run of this harness (also releases our own stale lock).
"$HERE/stop.sh" "$H" >/dev/null 2>&1 || true

alive_owner() {  # true when the harness named in the lock still has a live server
    local owner f pid
    owner=$(cat "$LOCK/owner" 2>/dev/null || true)
    [ -n "$owner" ] || return 1
    for f in "$owner"/run/*.pid; do
        [ -e "$f" ] || continue
        pid=$(cat "$f" 2>/dev/null || true)
        [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && return 0
    done
    return 1
}
waited=0
limit=${RICORNE_TESTSERVERS_WAIT:-900}
until [ -n "$PRIVATE" ] || mkdir "$LOCK" 2>/dev/null; do
    if ! alive_owner; then
        # A lock whose harness has no live server left is stale, unless it was taken
        # a moment ago and its servers are still starting: give it 30 s.
        age=$(( $(date +%s) - $(stat -c %Y "$LOCK" 2>/dev/null || date +%s) ))
        if [ "$age" -gt 30 ]; then rm -rf "$LOCK"; continue; fi
    fi
    [ "$waited" -eq 0 ] && echo "start.sh: waiting for the harness $(cat "$LOCK/owner" 2>/dev/null) to stop"
    [ "$waited" -lt "$limit" ] || die "gave up after ${limit}s waiting for $LOCK"
    sleep 1; waited=$((waited + 1))
done
[ -n "$PRIVATE" ] || echo "$H" > "$LOCK/owner"
started_ok=
trap '[ -n "$started_ok" ] || { "$HERE/stop.sh" "$H" >/dev/null 2>&1 || true; }' EXIT

for p in $PORTS; do
    if (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
        die "127.0.0.1:$p is in use by a process this harness did not start"
    fi
done

mkdir -p "$H"/{log,run,tls,mail}
chmod 755 "$H"
for f in dovecot.conf dovecot-oauth2.conf.ext smtpd.conf; do
    sed -e "s|@HARNESS@|$H|g" -e "s|@POP3_PORT@|$POP3_PORT|g" -e "s|@POP3S_PORT@|$POP3S_PORT|g" \
        -e "s|@SUBMISSION_PORT@|$SUBMISSION_PORT|g" -e "s|@SUBMISSIONS_PORT@|$SUBMISSIONS_PORT|g" \
        -e "s|@SMTP_PORT@|$SMTP_PORT|g" -e "s|@OAUTH_PORT@|$OAUTH_PORT|g" "$HERE/$f.in" > "$H/$f"
done
[ "$USERS" -ef "$H/users.passwd" ] || cp "$USERS" "$H/users.passwd"
chmod 644 "$H/users.passwd" "$H/dovecot.conf" "$H/dovecot-oauth2.conf.ext" "$H/smtpd.conf"

# Self-signed certificate for localhost and 127.0.0.1, kept between runs.
if [ ! -s "$H/tls/cert.pem" ] || [ ! -s "$H/tls/key.pem" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=localhost" \
        -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
        -keyout "$H/tls/key.pem" -out "$H/tls/cert.pem" 2>/dev/null
    chmod 600 "$H/tls/key.pem"
    chmod 644 "$H/tls/cert.pem"
fi

# One empty maildir per user, owned by mail (uid 8) for Dovecot and OpenSMTPD.
: > "$H/run/smtpd-vusers"; : > "$H/run/smtpd-userbase"
while IFS=: read -r u _; do
    case $u in ''|\#*) continue ;; esac
    rm -rf "$H/mail/$u"
    mkdir -p "$H/mail/$u/Maildir/cur" "$H/mail/$u/Maildir/new" "$H/mail/$u/Maildir/tmp"
    echo "$u $u" >> "$H/run/smtpd-vusers"
    echo "$u 8:8:$H/mail/$u" >> "$H/run/smtpd-userbase"
done < "$H/users.passwd"
chown -R mail:mail "$H/mail"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
wait_port() {  # port pid name
    local t0 i
    t0=$(now_ms)
    for i in $(seq 1 2000); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; then
            echo "$3 ready on 127.0.0.1:$1 after $(( $(now_ms) - t0 )) ms"
            return 0
        fi
        kill -0 "$2" 2>/dev/null || { tail -20 "$H/log/$3.log" >&2; die "$3 died"; }
        sleep 0.01
    done
    die "$3: port $1 not open after 20 s"
}

# The OAuth authorization server first: Dovecot asks it about every token. The harness path
# on its command line lets stop.sh recognise it.
python3 "$HERE/oauth_server.py" "$H/" "$OAUTH_PORT" >> "$H/log/oauth.log" 2>&1 &
echo $! > "$H/run/oauth.pid"
wait_port $OAUTH_PORT "$(cat "$H/run/oauth.pid")" oauth

doveconf -c "$H/dovecot.conf" -n >/dev/null || die "bad dovecot.conf"
dovecot -F -c "$H/dovecot.conf" >> "$H/log/dovecot.stdout" 2>&1 &
echo $! > "$H/run/dovecot.pid"
for p in $POP3_PORT $POP3S_PORT $SUBMISSION_PORT $SUBMISSIONS_PORT; do wait_port $p "$(cat "$H/run/dovecot.pid")" dovecot; done

if [ -n "$PRIVATE" ]; then
    # Its own /run (socket, pid file) and spool, seen only by this smtpd; the process keeps
    # its PID through unshare and exec, so stop.sh finds it by the recorded one.
    mkdir -p "$H/run/smtpd-run" "$H/run/smtpd-spool"
    chown root:root "$H/run/smtpd-spool"; chmod 711 "$H/run/smtpd-spool"
    smtpd -n -f "$H/smtpd.conf" >/dev/null 2>&1 || { smtpd -n -f "$H/smtpd.conf" || true; die "bad smtpd.conf"; }
    unshare -m --propagation private sh -c '
        mount --bind "$1/run/smtpd-run" /run && mount --bind "$1/run/smtpd-spool" /var/spool/smtpd &&
        exec smtpd -d -f "$1/smtpd.conf"' sh "$H" >> "$H/log/smtpd.log" 2>&1 &
    echo $! > "$H/run/smtpd.pid"
    wait_port $SMTP_PORT "$(cat "$H/run/smtpd.pid")" smtpd
    started_ok=1
    echo "mail servers up in $H (pids $(cat "$H"/run/*.pid | tr '\n' ' '))"
    exit 0
fi

# OpenSMTPD's socket, pid file and spool are fixed per machine. Stop the package's own
# daemon if its install started one.
old=$(cat /run/smtpd.pid 2>/dev/null || true)
if [ -n "$old" ] && kill -0 "$old" 2>/dev/null; then
    echo "start.sh: stopping the system opensmtpd (pid $old)"
    /etc/init.d/opensmtpd stop >/dev/null 2>&1 || kill -TERM "$old" 2>/dev/null || true
    for i in $(seq 1 1000); do kill -0 "$old" 2>/dev/null || break; sleep 0.01; done
fi
smtpctl show status >/dev/null 2>&1 && die "another smtpd owns /run/smtpd.sock"
smtpd -n -f "$H/smtpd.conf" >/dev/null 2>&1 || { smtpd -n -f "$H/smtpd.conf" || true; die "bad smtpd.conf"; }
smtpd -d -f "$H/smtpd.conf" >> "$H/log/smtpd.log" 2>&1 &
echo $! > "$H/run/smtpd.pid"
wait_port $SMTP_PORT "$(cat "$H/run/smtpd.pid")" smtpd

started_ok=1
echo "mail test servers up in $H (pids $(cat "$H"/run/*.pid | tr '\n' ' '))"
