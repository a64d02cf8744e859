"""Helpers of the benchmark scripts: a free port, and waiting for a server."""
import socket
import time


def port_libre():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def attend_serveur(port, delai=10.0):
    """True once something accepts on 127.0.0.1:port, False after `delai` seconds."""
    fin = time.time() + delai
    while time.time() < fin:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.5).close()
            return True
        except OSError:
            time.sleep(0.02)
    return False
