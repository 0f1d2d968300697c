"""Prints, as one JSON line, the entries of the first popup menu one of whose items takes the
focus on the accessibility bus: [name, x, y, width, height] each, in screen coordinates."""
import json

import pyatspi


def on_focus(event):
    if event.detail1 != 1 or event.source.getRoleName() != "menu item":
        return
    entries = []
    for child in event.source.parent:
        box = child.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        entries.append([child.name, box.x, box.y, box.width, box.height])
    print(json.dumps(entries, ensure_ascii=False), flush=True)
    pyatspi.Registry.stop()


pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
print("listening", flush=True)
pyatspi.Registry.start()
