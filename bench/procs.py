"""Process handling shared by the benchmark scripts."""

import subprocess


def stop_process(process, grace=10):
    """Asks a child to end, and ends it after `grace` seconds if it has not."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
