#!/usr/bin/python3
"""Draws every editor picture of Pelrin and Tavrel and the gallery strips.

Run by hand, never by the build: the build installs and embeds the committed
PNGs. Needs pycairo (Debian python3-cairo, used with the system Python) and
the Liberation fonts (fonts-liberation2).

    /usr/bin/python3 resources/generate_pictures.py            # the pictures
                                                               # at 1x, 2x, 3x
    /usr/bin/python3 resources/generate_pictures.py --previews # plus contact
                                                               # sheets and
                                                               # window mock-ups

Every picture is drawn at 1x (bmpNNNNN.png) and, from the same vector
description, for screens two and three times as dense (bmpNNNNN@2x.png,
bmpNNNNN@3x.png): all coordinates below are 1x pixels, and a surface of scale
N has N x N device pixels for each of them, so a 1-px line is N device pixels
wide and text is set at N times its size.

Every output is opaque RGB (no alpha channel): the toolkit draws pictures
plain or keyed on pure white. One light falls from the top left on all of
them. Film-strip frames carry the flat panel colour in their corners, because
the editors draw them opaque over that colour.
"""

import math
import os
import re
import sys

import cairo

HERE = os.path.dirname(os.path.abspath(__file__))

SCALES = (1, 2, 3)
# The density being drawn (set by main for each pass over the pictures).
S = 1

# ---------------------------------------------------------------------------
# Palette
# ---------------------------------------------------------------------------


def rgb(hex_colour):
    hex_colour = hex_colour.lstrip("#")
    return tuple(int(hex_colour[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


PANEL = rgb("#272B32")          # flat face plate; every knob square sits on it
PANEL_LIGHT = rgb("#30353E")    # top of the header band
PANEL_DARK = rgb("#1E2228")     # the plate's bottom edge, below the controls
WELL = rgb("#1A1D22")           # recessed slots around displays and the switch
LABEL = rgb("#C8CCD2")          # control labels
LABEL_DIM = rgb("#7E858F")      # secondary text, scale marks
TEXT_OFF = rgb("#8C939D")       # switch rows that are not selected
TEXT_ON = rgb("#F2F4F7")        # the selected switch row
KNOB_SKIRT_LIGHT = rgb("#646B77")
KNOB_SKIRT_DARK = rgb("#17191D")
KNOB_CAP_LIGHT = rgb("#4C535E")
KNOB_CAP_DARK = rgb("#2A2E35")
DISPLAY_FRAME = (0.0, 0.0, 1.0)  # what the editors' displays draw themselves
HIGHLIGHT_WHITE = rgb("#FEFEFE")  # the whitest a keyed picture may paint

AMBER = rgb("#F2A33A")           # Pelrin's accent
TEAL = rgb("#3CC8C0")            # Tavrel's accent

HIGHLIGHT = (1.0, 1.0, 1.0, 0.15)  # top and left edges
SHADOW = (0.0, 0.0, 0.0, 0.35)     # bottom and right edges

SANS = "Liberation Sans"

KNOB_SIZE = 48
KNOB_FRAMES = 45
KNOB_STEPS = KNOB_FRAMES - 1     # frame k points at k * 360 / 44 degrees

def project_version():
    """The version users read (`oxel --version`): the project's own, from the
    top-level CMakeLists.txt."""
    with open(os.path.join(HERE, "..", "CMakeLists.txt")) as f:
        match = re.search(r"project\([^)]*VERSION\s+([0-9.]+)", f.read())
    return match.group(1)


VERSION_TEXT = "Version " + project_version()
VENDOR_TEXT = "Oxel Music Dept."


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


# ---------------------------------------------------------------------------
# Drawing helpers
# ---------------------------------------------------------------------------


def new_surface(width, height, fill=PANEL):
    """A width x height (1x pixels) surface at the current density."""
    surface = cairo.ImageSurface(cairo.FORMAT_RGB24, width * S, height * S)
    if S != 1:
        surface.set_device_scale(S, S)
    ctx = cairo.Context(surface)
    ctx.set_source_rgb(*fill)
    ctx.paint()
    return surface, ctx


def set_font(ctx, size, bold=False):
    ctx.select_font_face(SANS, cairo.FONT_SLANT_NORMAL,
                         cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    ctx.set_font_size(size)
    options = cairo.FontOptions()
    options.set_antialias(cairo.ANTIALIAS_GRAY)
    options.set_hint_style(cairo.HINT_STYLE_FULL)
    options.set_hint_metrics(cairo.HINT_METRICS_ON)
    ctx.set_font_options(options)


def text_width(ctx, text, tracking=0.0):
    width = 0.0
    for ch in text:
        width += ctx.text_extents(ch).x_advance + tracking
    return width - tracking if text else 0.0


def draw_text(ctx, text, x, baseline, colour, tracking=0, align="left"):
    """Draws text with letter spacing; x is the left edge, the centre or the
    right edge by align. The start is rounded to whole pixels, and hinted
    advances plus a whole-pixel tracking keep every glyph on the pixel grid,
    so the spacing stays even at 1x."""
    assert tracking == int(tracking), "letter spacing in whole pixels"
    width = text_width(ctx, text, tracking)
    if align == "centre":
        x -= width / 2.0
    elif align == "right":
        x -= width
    x = round(x)
    ctx.set_source_rgb(*colour)
    for ch in text:
        ctx.move_to(x, baseline)
        ctx.show_text(ch)
        x += ctx.text_extents(ch).x_advance + tracking
    return width


def engraved_text(ctx, text, x, baseline, colour, tracking=0.0, align="left"):
    """Text with a one-pixel dark shadow below, as if printed on the plate."""
    draw_text(ctx, text, x, baseline + 1, (0.08, 0.09, 0.10), tracking, align)
    draw_text(ctx, text, x, baseline, colour, tracking, align)


def hline(ctx, x0, x1, y, colour):
    """A crisp 1-px line over pixel row y from pixel x0 to x1 inclusive."""
    ctx.set_source_rgba(*colour)
    ctx.rectangle(x0, y, x1 - x0 + 1, 1)
    ctx.fill()


def vline(ctx, x, y0, y1, colour):
    ctx.set_source_rgba(*colour)
    ctx.rectangle(x, y0, 1, y1 - y0 + 1)
    ctx.fill()


def rounded_rect(ctx, x, y, w, h, r):
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 1.5 * math.pi)
    ctx.close_path()


def bevel_box(ctx, x0, y0, x1, y1, raised=True):
    """Light edges on the lit sides, dark on the others, for pixels
    x0..x1, y0..y1 inclusive."""
    top = HIGHLIGHT if raised else SHADOW
    bottom = SHADOW if raised else HIGHLIGHT
    hline(ctx, x0, x1, y0, top)
    vline(ctx, x0, y0 + 1, y1, top)
    hline(ctx, x0 + 1, x1, y1, bottom)
    vline(ctx, x1, y0 + 1, y1 - 1, bottom)


def well(ctx, x0, y0, x1, y1, radius=2.0, fill=WELL):
    """A recessed slot: darker fill, shadow inside its top and left edges,
    a highlight below its bottom edge on the plate."""
    w = x1 - x0 + 1
    h = y1 - y0 + 1
    # highlight on the plate, just outside the bottom and right edges
    rounded_rect(ctx, x0 + 0.5, y0 + 0.5, w, h, radius)
    ctx.set_source_rgba(1, 1, 1, 0.07)
    ctx.fill()
    rounded_rect(ctx, x0, y0, w, h, radius)
    ctx.set_source_rgb(*fill)
    ctx.fill()
    # inner shadow along the top and left
    ctx.save()
    rounded_rect(ctx, x0, y0, w, h, radius)
    ctx.clip()
    ctx.set_source_rgba(0, 0, 0, 0.45)
    ctx.rectangle(x0, y0, w, 1)
    ctx.fill()
    ctx.set_source_rgba(0, 0, 0, 0.25)
    ctx.rectangle(x0, y0 + 1, 1, h - 1)
    ctx.fill()
    ctx.restore()


def logical_size(surface):
    """Width and height in 1x pixels."""
    return surface.get_width() // S, surface.get_height() // S


def save(surface, *parts):
    path = os.path.join(HERE, *parts)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    surface.write_to_png(path)
    return path


# ---------------------------------------------------------------------------
# Knob strip
# ---------------------------------------------------------------------------


def knob_angle_degrees(frame):
    """Clockwise from 12 o'clock; the last frame repeats the first."""
    return (frame % KNOB_STEPS) * 360.0 / KNOB_STEPS


def draw_knob(ctx, cx, cy, degrees, accent, radius=17.0):
    """One knob centred on (cx, cy), pointer at degrees clockwise from 12."""
    # soft drop shadow towards the bottom right
    shadow = cairo.RadialGradient(cx + 1.0, cy + 2.0, radius - 3.0, cx + 1.0, cy + 2.0, radius + 4.5)
    shadow.add_color_stop_rgba(0.0, 0, 0, 0, 0.55)
    shadow.add_color_stop_rgba(0.55, 0, 0, 0, 0.22)
    shadow.add_color_stop_rgba(1.0, 0, 0, 0, 0.0)
    ctx.set_source(shadow)
    ctx.arc(cx + 1.0, cy + 2.0, radius + 4.5, 0, 2 * math.pi)
    ctx.fill()

    # skirt: a bevelled ring lit from the top left
    skirt = cairo.LinearGradient(cx - radius, cy - radius, cx + radius, cy + radius)
    skirt.add_color_stop_rgb(0.0, *KNOB_SKIRT_LIGHT)
    skirt.add_color_stop_rgb(1.0, *KNOB_SKIRT_DARK)
    ctx.set_source(skirt)
    ctx.arc(cx, cy, radius, 0, 2 * math.pi)
    ctx.fill()

    # fine grip marks around the skirt, lit like the ring
    ctx.set_line_width(1.0)
    for i in range(48):
        a = i * 2 * math.pi / 48
        s, c = math.sin(a), math.cos(a)
        lit = 0.5 + 0.5 * (-(s - c) / math.sqrt(2))  # 1 at the top left
        ctx.set_source_rgba(0, 0, 0, 0.18 + 0.22 * (1 - lit))
        ctx.move_to(cx + s * (radius - 2.6), cy - c * (radius - 2.6))
        ctx.line_to(cx + s * (radius - 0.6), cy - c * (radius - 0.6))
        ctx.stroke()

    # thin dark rim, with the light catching its upper left
    ctx.set_source_rgba(0.04, 0.05, 0.06, 0.9)
    ctx.set_line_width(1.0)
    ctx.arc(cx, cy, radius - 0.5, 0, 2 * math.pi)
    ctx.stroke()
    rim = cairo.LinearGradient(cx - radius, cy - radius, cx + radius * 0.2, cy + radius * 0.2)
    rim.add_color_stop_rgba(0.0, 1, 1, 1, 0.30)
    rim.add_color_stop_rgba(1.0, 1, 1, 1, 0.0)
    ctx.set_source(rim)
    ctx.arc(cx, cy, radius - 1.5, 0, 2 * math.pi)
    ctx.stroke()

    # cap: slightly domed, lit from the top left
    cap_r = radius - 3.5
    cap = cairo.RadialGradient(cx - 4.0, cy - 5.0, 1.0, cx, cy, cap_r + 1.0)
    cap.add_color_stop_rgb(0.0, *KNOB_CAP_LIGHT)
    cap.add_color_stop_rgb(1.0, *KNOB_CAP_DARK)
    ctx.set_source(cap)
    ctx.arc(cx, cy, cap_r, 0, 2 * math.pi)
    ctx.fill()
    # a soft sheen where the light falls
    sheen = cairo.RadialGradient(cx - 4.5, cy - 5.5, 0.5, cx - 4.5, cy - 5.5, cap_r * 0.8)
    sheen.add_color_stop_rgba(0.0, 1, 1, 1, 0.10)
    sheen.add_color_stop_rgba(1.0, 1, 1, 1, 0.0)
    ctx.set_source(sheen)
    ctx.arc(cx, cy, cap_r, 0, 2 * math.pi)
    ctx.fill()
    # cap edge: light on the upper left, dark on the lower right
    edge = cairo.LinearGradient(cx - cap_r, cy - cap_r, cx + cap_r, cy + cap_r)
    edge.add_color_stop_rgba(0.0, 1, 1, 1, 0.22)
    edge.add_color_stop_rgba(0.5, 1, 1, 1, 0.0)
    edge.add_color_stop_rgba(0.5, 0, 0, 0, 0.0)
    edge.add_color_stop_rgba(1.0, 0, 0, 0, 0.45)
    ctx.set_source(edge)
    ctx.set_line_width(1.0)
    ctx.arc(cx, cy, cap_r - 0.5, 0, 2 * math.pi)
    ctx.stroke()

    # pointer from 45 % to 88 % of the radius
    a = math.radians(degrees)
    s, c = math.sin(a), math.cos(a)
    r0, r1 = 0.45 * radius, 0.88 * radius
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_source_rgba(0, 0, 0, 0.45)
    ctx.set_line_width(4.0)
    ctx.move_to(cx + s * r0 + 0.4, cy - c * r0 + 0.6)
    ctx.line_to(cx + s * r1 + 0.4, cy - c * r1 + 0.6)
    ctx.stroke()
    ctx.set_source_rgb(*accent)
    ctx.set_line_width(2.5)
    ctx.move_to(cx + s * r0, cy - c * r0)
    ctx.line_to(cx + s * r1, cy - c * r1)
    ctx.stroke()
    ctx.set_line_cap(cairo.LINE_CAP_BUTT)


def knob_strip(accent):
    surface, ctx = new_surface(KNOB_SIZE, KNOB_SIZE * KNOB_FRAMES)
    for frame in range(KNOB_FRAMES):
        ctx.save()
        ctx.rectangle(0, frame * KNOB_SIZE, KNOB_SIZE, KNOB_SIZE)
        ctx.clip()
        draw_knob(ctx, KNOB_SIZE / 2.0, frame * KNOB_SIZE + KNOB_SIZE / 2.0,
                  knob_angle_degrees(frame), accent)
        ctx.restore()
    surface.flush()
    return surface


def check_knob_strip(surface):
    """The first and last frames match, and every frame's corners are the
    flat panel colour."""
    stride = surface.get_stride()
    data = surface.get_data()
    size = KNOB_SIZE * S
    row = size * 4

    def frame_bytes(frame):
        return b"".join(bytes(data[(frame * size + y) * stride:(frame * size + y) * stride + row])
                        for y in range(size))
    assert frame_bytes(0) == frame_bytes(KNOB_FRAMES - 1), "frames 0 and 44 differ"
    panel = pixel_of(PANEL)
    for frame in range(KNOB_FRAMES):
        for (x, y) in ((0, 0), (KNOB_SIZE - 1, 0), (0, KNOB_SIZE - 1), (KNOB_SIZE - 1, KNOB_SIZE - 1)):
            assert read_pixel(surface, x, frame * KNOB_SIZE + y) == panel, "corner of frame %d" % frame


def pixel_of(colour):
    return tuple(int(round(c * 255)) for c in colour[:3])


def read_pixel(surface, x, y):
    """The colour at 1x pixel (x, y): its top-left device pixel."""
    data = surface.get_data()
    i = y * S * surface.get_stride() + x * S * 4
    b, g, r = data[i], data[i + 1], data[i + 2]  # native little-endian xRGB
    return (r, g, b)


# ---------------------------------------------------------------------------
# Slider
# ---------------------------------------------------------------------------

FADER_W, FADER_H = 160, 16
HANDLE_W, HANDLE_H = 12, 16
# Handle centre, relative to the body, for value v (the slider clamps the
# handle's left edge to 4 at the low end).
FADER_TRAVEL = FADER_W - HANDLE_W - 7


def fader_handle_centre(v):
    return max(4, int(FADER_TRAVEL * v)) + HANDLE_W / 2.0


def fader_body(background, x, y):
    """The slider's plate is the background under it, so no seam shows."""
    surface, ctx = new_surface(FADER_W, FADER_H)
    blit(ctx, background, -x, -y)
    x0, x1 = 8, FADER_W - 9          # groove from pixel 8 to 151
    mid = FADER_H // 2               # groove rows 7 and 8
    # scale marks above and below the groove: end stops and quarters
    for v in (0.0, 0.25, 0.5, 0.75, 1.0):
        x = math.floor(fader_handle_centre(v))
        strong = v in (0.0, 0.5, 1.0)
        colour = LABEL_DIM + ((0.9,) if strong else (0.55,))
        vline(ctx, x, 1, 3 if strong else 2, colour)
        vline(ctx, x, FADER_H - (4 if strong else 3), FADER_H - 2, colour)
    # the groove: a dark slot with shadow above and a highlight below
    hline(ctx, x0 + 1, x1 - 1, mid - 2, (0, 0, 0, 0.30))
    rounded_rect(ctx, x0, mid - 1, x1 - x0 + 1, 3, 1.5)
    ctx.set_source_rgb(0.05, 0.055, 0.065)
    ctx.fill()
    hline(ctx, x0 + 1, x1 - 1, mid + 2, (1, 1, 1, 0.12))
    surface.flush()
    return surface


def handle_shape(ctx):
    rounded_rect(ctx, 0, 0, HANDLE_W, HANDLE_H, 2.5)


def fader_handle(accent, body):
    """The handle composed on the slider's plate, then every pixel mostly
    outside its shape set to the key white. Edge pixels keep their blend with
    the plate, so no light fringe shows over the dark slider."""
    surface, ctx = new_surface(HANDLE_W, HANDLE_H)
    # the plate is lit from above only, so one column of it serves any x
    ctx.save()
    ctx.scale(HANDLE_W, 1)
    ctx.set_source_surface(body, -2, 0)
    ctx.get_source().set_filter(cairo.FILTER_NEAREST)
    ctx.rectangle(0, 0, 1, HANDLE_H)
    ctx.fill()
    ctx.restore()
    handle_shape(ctx)
    body = cairo.LinearGradient(0, 0, 0, HANDLE_H)
    body.add_color_stop_rgb(0.0, *rgb("#6B727D"))
    body.add_color_stop_rgb(0.45, *rgb("#4A5059"))
    body.add_color_stop_rgb(1.0, *rgb("#2C3036"))
    ctx.set_source(body)
    ctx.fill()
    # lit top and left inside the outline, shade at the bottom and right
    hline(ctx, 2, HANDLE_W - 3, 1, HIGHLIGHT_WHITE + (0.35,))
    vline(ctx, 1, 2, HANDLE_H - 3, HIGHLIGHT_WHITE + (0.12,))
    hline(ctx, 2, HANDLE_W - 3, HANDLE_H - 2, (0, 0, 0, 0.30))
    vline(ctx, HANDLE_W - 2, 2, HANDLE_H - 3, (0, 0, 0, 0.20))
    # outline
    rounded_rect(ctx, 0.5, 0.5, HANDLE_W - 1, HANDLE_H - 1, 2.0)
    ctx.set_source_rgba(0.03, 0.035, 0.04, 0.95)
    ctx.set_line_width(1.0)
    ctx.stroke()
    # centre line in the accent colour, with a dark groove on each side
    mid = HANDLE_W // 2
    vline(ctx, mid - 2, 3, HANDLE_H - 4, (0, 0, 0, 0.35))
    vline(ctx, mid + 1, 3, HANDLE_H - 4, (0, 0, 0, 0.35))
    ctx.set_source_rgb(*accent)
    ctx.rectangle(mid - 1, 3, 2, HANDLE_H - 6)
    ctx.fill()
    surface.flush()

    mask = cairo.ImageSurface(cairo.FORMAT_A8, HANDLE_W * S, HANDLE_H * S)
    if S != 1:
        mask.set_device_scale(S, S)
    mctx = cairo.Context(mask)
    handle_shape(mctx)
    mctx.fill()
    mask.flush()
    key_outside(surface, mask)
    return surface


def key_outside(surface, mask):
    """White where the shape covers less than half of a pixel; nowhere else
    may a pixel be pure white."""
    data = surface.get_data()
    stride = surface.get_stride()
    mdata = mask.get_data()
    mstride = mask.get_stride()
    for y in range(surface.get_height()):
        for x in range(surface.get_width()):
            i = y * stride + x * 4
            if mdata[y * mstride + x] < 128:
                data[i:i + 3] = b"\xff\xff\xff"
            elif data[i] == 255 and data[i + 1] == 255 and data[i + 2] == 255:
                data[i:i + 3] = b"\xfe\xfe\xfe"
    surface.mark_dirty()


# ---------------------------------------------------------------------------
# Panels shared by both editors
# ---------------------------------------------------------------------------

HEADER_H = 22


def panel_base(ctx, width, height):
    """The flat face plate with a lit header band and a bevelled window edge."""
    ctx.set_source_rgb(*PANEL)
    ctx.paint()
    band = cairo.LinearGradient(0, 0, 0, HEADER_H)
    band.add_color_stop_rgb(0.0, *PANEL_LIGHT)
    band.add_color_stop_rgb(1.0, *mix(PANEL_LIGHT, PANEL_DARK, 0.75))
    ctx.set_source(band)
    ctx.rectangle(0, 0, width, HEADER_H)
    ctx.fill()
    hline(ctx, 0, width - 1, HEADER_H, (0, 0, 0, 0.55))
    hline(ctx, 0, width - 1, HEADER_H + 1, (1, 1, 1, 0.05))
    bevel_box(ctx, 0, 0, width - 1, height - 1, raised=True)


def lower_shade(ctx, width, top, height):
    """A soft darkening from row top to the bottom edge, kept below the
    knob squares so they stay on the flat colour."""
    shade = cairo.LinearGradient(0, top, 0, height)
    shade.add_color_stop_rgba(0.0, *PANEL_DARK, 0.0)
    shade.add_color_stop_rgba(1.0, *PANEL_DARK, 1.0)
    ctx.set_source(shade)
    ctx.rectangle(1, top, width - 2, height - top - 1)
    ctx.fill()


def title(ctx, name, x, accent, subtitle_lines=(), right=0, centre=False):
    """Product name in the header (the about hot spot), the first letter in
    the accent colour; a short description on the right."""
    set_font(ctx, 18, bold=True)
    tracking = 2
    baseline = 16
    if centre:
        x = round(x - text_width(ctx, name, tracking) / 2.0)
    first, rest = name[0], name[1:]
    draw_text(ctx, name, x, baseline + 1, (0.06, 0.07, 0.08), tracking)
    w = draw_text(ctx, first, x, baseline, accent, tracking)
    draw_text(ctx, rest, x + w + tracking, baseline, TEXT_ON, tracking)
    set_font(ctx, 8, bold=True)
    for i, line in enumerate(subtitle_lines):
        draw_text(ctx, line, right, 10 + i * 9, LABEL_DIM, 1, align="right")


def label(ctx, text, cx, baseline, colour=LABEL, size=9, tracking=1):
    set_font(ctx, size, bold=True)
    engraved_text(ctx, text, cx, baseline, colour, tracking, align="centre")


def display_well(ctx, rect):
    """A dark margin around a parameter display's own black box."""
    left, top, right, bottom = rect
    well(ctx, left - 2, top - 1, right + 1, bottom + 1, radius=2.0)


# ---------------------------------------------------------------------------
# Pelrin
# ---------------------------------------------------------------------------

PELRIN_SIZE = (224, 240)
PELRIN_KNOBS = [(48, 48), (48, 112), (128, 48)]       # azimuth, elevation, angle
PELRIN_DISPLAYS = [(51, 96, 91, 110), (51, 160, 91, 174), (131, 96, 171, 110), (91, 208, 131, 222)]
PELRIN_FADER = (32, 192)
PELRIN_TITLE = (50, 0, 136, 15)   # the about hot spot, the same in both editors


def polar_emblem(ctx, cx, cy, radius, spread_degrees):
    """An engraved polar plot of the microphone pair: two cardioids turned
    apart on a recessed disc. It is a mark, not a live display, so it stays
    quiet and uses no accent colour."""
    ctx.save()
    ctx.arc(cx, cy + 1, radius + 3, 0, 2 * math.pi)
    ctx.set_source_rgba(1, 1, 1, 0.06)
    ctx.fill()
    disc = cairo.LinearGradient(0, cy - radius, 0, cy + radius)
    disc.add_color_stop_rgb(0.0, *WELL)
    disc.add_color_stop_rgb(1.0, *mix(WELL, PANEL, 0.5))
    ctx.set_source(disc)
    ctx.arc(cx, cy, radius + 3, 0, 2 * math.pi)
    ctx.fill()
    ctx.set_line_width(1.0)
    ctx.set_source_rgba(*LABEL_DIM, 0.35)
    ctx.arc(cx, cy, radius - 0.5, 0, 2 * math.pi)
    ctx.stroke()
    for sign in (-1, 1):
        turn = math.radians(sign * spread_degrees / 2.0)
        for i in range(121):
            t = i * 2 * math.pi / 120
            r = (radius - 1.5) * 0.5 * (1 + math.cos(t))
            a = t + turn
            px, py = cx + r * math.sin(a), cy - r * math.cos(a)
            if i == 0:
                ctx.move_to(px, py)
            else:
                ctx.line_to(px, py)
        ctx.close_path()
        ctx.set_source_rgba(*LABEL, 0.05)
        ctx.fill_preserve()
        ctx.set_source_rgba(*LABEL, 0.55)
        ctx.set_line_width(1.1)
        ctx.stroke()
    ctx.restore()


def pelrin_background():
    w, h = PELRIN_SIZE
    surface, ctx = new_surface(w, h)
    panel_base(ctx, w, h)
    lower_shade(ctx, w, 176, h)
    title(ctx, "PELRIN", 52, AMBER, ["B-FORMAT", "MICROPHONES"], w - 16)
    for rect in PELRIN_DISPLAYS:
        display_well(ctx, rect)
    # the right column's second row is the editor's live polar view (drawn by code)
    label(ctx, "AZIMUTH", 72, 42)
    label(ctx, "MIC ANGLE", 152, 42)
    label(ctx, "ELEVATION", 72, 186)
    label(ctx, "MIC PATTERN", 112, 234)
    set_font(ctx, 8, bold=True)
    fx, fy = PELRIN_FADER
    draw_text(ctx, "OMNI", fx + fader_handle_centre(0.0) - 6, fy + 26, LABEL_DIM, 1)
    draw_text(ctx, "FIG 8", fx + fader_handle_centre(1.0) + 6, fy + 26, LABEL_DIM, 1, align="right")
    surface.flush()
    return surface


def mock_display(ctx, rect, text):
    """What the editors' parameter displays draw: black box, blue frame,
    white 10-px text, centred."""
    left, top, right, bottom = rect
    ctx.set_source_rgb(0, 0, 0)
    ctx.rectangle(left, top, right - left, bottom - top)
    ctx.fill()
    ctx.set_source_rgb(*DISPLAY_FRAME)
    ctx.set_line_width(1.0)
    ctx.rectangle(left + 0.5, top + 0.5, right - left - 1, bottom - top - 1)
    ctx.stroke()
    set_font(ctx, 10)
    ctx.save()
    ctx.rectangle(left, top, right - left, bottom - top)
    ctx.clip()
    draw_text(ctx, text, (left + right) / 2.0, top + 11, (1, 1, 1), 0.0, align="centre")
    ctx.restore()


def blit(ctx, source, x, y, src_y=0, w=None, h=None):
    w = w or logical_size(source)[0]
    h = h or logical_size(source)[1]
    ctx.save()
    ctx.rectangle(x, y, w, h)
    ctx.clip()
    ctx.set_source_surface(source, x, y - src_y)
    ctx.paint()
    ctx.restore()


def blit_keyed(ctx, source, x, y):
    """Copies every pixel that is not pure white."""
    target = ctx.get_target()
    target.flush()
    sdata, sstride = source.get_data(), source.get_stride()
    tdata, tstride = target.get_data(), target.get_stride()
    for yy in range(source.get_height()):
        for xx in range(source.get_width()):
            i = yy * sstride + xx * 4
            if sdata[i:i + 3] != b"\xff\xff\xff":
                j = (y * S + yy) * tstride + (x * S + xx) * 4
                tdata[j:j + 4] = sdata[i:i + 4]
    target.mark_dirty()


def knob_frame_for(v):
    return max(0, min(KNOB_FRAMES - 1, int(math.floor(v * KNOB_STEPS)))) if v > 0 else 0


def pelrin_preview(pictures, values):
    """The whole window as the editor should draw it, values = (azimuth,
    elevation, angle, pattern)."""
    bg, knob, body, handle = pictures
    w, h = PELRIN_SIZE
    surface, ctx = new_surface(w, h)
    blit(ctx, bg, 0, 0)
    for (x, y), v in zip(PELRIN_KNOBS, values[:3]):
        blit(ctx, knob, x, y, knob_frame_for(v) * KNOB_SIZE, KNOB_SIZE, KNOB_SIZE)
    fx, fy = PELRIN_FADER
    blit(ctx, body, fx, fy)
    left = max(fx + 4, min(fx + FADER_TRAVEL, fx + int(FADER_TRAVEL * values[3])))
    blit_keyed(ctx, handle, left, fy)
    az, el, an, pa = values
    texts = ["%.2f" % ((1 - az) * 360), "%.2f" % ((0.25 - el) * 360), "%.2f" % (an * 360), "%.2f" % pa]
    for rect, text in zip(PELRIN_DISPLAYS, texts):
        mock_display(ctx, rect, text)
    surface.flush()
    return surface


# ---------------------------------------------------------------------------
# About pictures
# ---------------------------------------------------------------------------


def about_picture(size, name, accent, emblem, emblem_radius, lines):
    """Same size as the editor, so any click closes it: the product name, what
    it does, version, vendor and a quiet hint that a click closes it."""
    w, h = size
    surface, ctx = new_surface(w, h)
    panel_base(ctx, w, h)
    lower_shade(ctx, w, h // 2, h)
    set_font(ctx, 9, bold=True)
    engraved_text(ctx, "ABOUT", w / 2.0, 15, LABEL_DIM, 2, align="centre")
    # the block from the emblem's top to the vendor line is 2r + 97 rows high;
    # centre it between the header and the hint line
    block = 2 * emblem_radius + 97
    top = HEADER_H + 2 + max(0, (h - 18 - (HEADER_H + 2) - block) // 2)
    cy = top + emblem_radius + 3
    emblem(ctx, w / 2.0, cy)
    set_font(ctx, 22, bold=True)
    baseline = cy + emblem_radius + 3 + 24
    tracking = 2
    width = text_width(ctx, name, tracking)
    x = round(w / 2.0 - width / 2.0)
    draw_text(ctx, name, x, baseline + 1, (0.06, 0.07, 0.08), tracking)
    first = draw_text(ctx, name[0], x, baseline, accent, tracking)
    draw_text(ctx, name[1:], x + first + tracking, baseline, TEXT_ON, tracking)
    y = baseline + 16
    set_font(ctx, 10)
    for line in lines:
        engraved_text(ctx, line, w / 2.0, y, LABEL, 0.0, align="centre")
        y += 13
    y += 4
    hline(ctx, w // 2 - 24, w // 2 + 23, y - 8, (0, 0, 0, 0.45))
    hline(ctx, w // 2 - 24, w // 2 + 23, y - 7, (1, 1, 1, 0.06))
    set_font(ctx, 9, bold=True)
    engraved_text(ctx, VERSION_TEXT.upper(), w / 2.0, y + 4, LABEL, 1, align="centre")
    set_font(ctx, 10)
    engraved_text(ctx, VENDOR_TEXT, w / 2.0, y + 18, LABEL, 0.0, align="centre")
    set_font(ctx, 8)
    draw_text(ctx, "click to close", w / 2.0, h - 7, LABEL_DIM, 0, align="centre")
    surface.flush()
    return surface


def pelrin_about():
    return about_picture(PELRIN_SIZE, "PELRIN", AMBER,
                         lambda ctx, cx, cy: polar_emblem(ctx, cx, cy, 24, 60), 24,
                         ["A pair of virtual microphones", "from a B-format signal"])


# ---------------------------------------------------------------------------
# Tavrel
# ---------------------------------------------------------------------------

TAVREL_SIZE = (188, 216)
TAVREL_KNOBS = [(22, 36), (70, 36), (118, 36)]
TAVREL_SWITCH = (22, 90)
# The angle readouts the editor draws, one per knob column, below the
# switch's label (the window is taller than the controls need for them).
TAVREL_DISPLAYS = [(24 + 48 * i, 194, 68 + 48 * i, 208) for i in range(3)]
SWITCH_W, SWITCH_H = 144, 80
SWITCH_ROWS = [(0, 13), (14, 26), (27, 39), (40, 53), (54, 66), (67, 79)]
SWITCH_ORDERS = [("Rotate", "Tilt", "Tumble"), ("Rotate", "Tumble", "Tilt"),
                 ("Tilt", "Rotate", "Tumble"), ("Tilt", "Tumble", "Rotate"),
                 ("Tumble", "Rotate", "Tilt"), ("Tumble", "Tilt", "Rotate")]
# Each word sits under the knob whose angle drives that step; the first
# column leaves room for the row's lamp.
SWITCH_COLUMNS = [26, 72, 120]
SWITCH_LED_X = 2                 # a 3-px lamp at the row's left edge


def field_emblem(ctx, cx, cy, radius=24):
    """An engraved sphere with three orbits: the field and its three turns."""
    ctx.save()
    ctx.arc(cx, cy + 1, radius + 3, 0, 2 * math.pi)
    ctx.set_source_rgba(1, 1, 1, 0.05)
    ctx.fill()
    ctx.arc(cx, cy, radius + 3, 0, 2 * math.pi)
    ctx.set_source_rgb(*mix(WELL, PANEL, 0.35))
    ctx.fill()
    ctx.set_line_width(1.2)
    ctx.set_source_rgba(*LABEL, 0.40)
    ctx.arc(cx, cy, radius, 0, 2 * math.pi)
    ctx.stroke()
    for sx, sy, rot in ((1.0, 0.34, 0.0), (0.34, 1.0, 0.0), (1.0, 0.34, math.radians(60))):
        ctx.save()
        ctx.translate(cx, cy)
        ctx.rotate(rot)
        ctx.scale(sx, sy)
        ctx.arc(0, 0, radius, 0, 2 * math.pi)
        ctx.restore()
        ctx.set_source_rgba(*LABEL, 0.30)
        ctx.stroke()
    ctx.restore()


def tavrel_background():
    w, h = TAVREL_SIZE
    surface, ctx = new_surface(w, h)
    panel_base(ctx, w, h)
    lower_shade(ctx, w, 88, h)
    # the title area's centre is the window's centre here
    title(ctx, "TAVREL", (PELRIN_TITLE[0] + PELRIN_TITLE[2]) / 2.0, TEAL, centre=True)
    for i, (x, y) in enumerate(TAVREL_KNOBS):
        label(ctx, "ANGLE %d" % (i + 1), x + 24, 32, size=8, tracking=1)
        # a small mark between each knob and its column of the switch
        cx = x + 24
        ctx.move_to(cx - 3, 85.5)
        ctx.line_to(cx + 3, 85.5)
        ctx.line_to(cx, 88.5)
        ctx.close_path()
        ctx.set_source_rgba(*LABEL_DIM, 0.8)
        ctx.fill()
    label(ctx, "ORDER OF PROCESSING", w / 2.0, 183)
    hline(ctx, 12, w - 13, 188, (0, 0, 0, 0.35))
    hline(ctx, 12, w - 13, 189, (1, 1, 1, 0.05))
    for rect in TAVREL_DISPLAYS:
        display_well(ctx, rect)
    surface.flush()
    return surface


def switch_led(ctx, x, y0, y1, lit, accent):
    """A narrow lamp over pixel columns x..x+2, rows y0..y1."""
    height = y1 - y0 + 1
    if lit:
        glow = cairo.LinearGradient(x, 0, x + 9, 0)
        glow.add_color_stop_rgba(0.0, *accent, 0.35)
        glow.add_color_stop_rgba(1.0, *accent, 0.0)
        ctx.set_source(glow)
        ctx.rectangle(x + 3, y0 - 1, 6, height + 2)
        ctx.fill()
        body = cairo.LinearGradient(x, 0, x + 3, 0)
        body.add_color_stop_rgb(0.0, *mix(accent, (1, 1, 1), 0.55))
        body.add_color_stop_rgb(1.0, *accent)
    else:
        body = cairo.LinearGradient(x, 0, x + 3, 0)
        body.add_color_stop_rgb(0.0, *mix(accent, WELL, 0.70))
        body.add_color_stop_rgb(1.0, *mix(accent, WELL, 0.85))
    ctx.set_source(body)
    rounded_rect(ctx, x, y0, 3, height, 1.5)
    ctx.fill()


def switch_frame(ctx, top, lit_row, accent):
    """One frame of the order switch at row offset top, row lit_row lit."""
    well(ctx, 0, top, SWITCH_W - 1, top + SWITCH_H - 1, radius=3.0)
    for i, (y0, y1) in enumerate(SWITCH_ROWS):
        if i > 0:
            hline(ctx, 2, SWITCH_W - 3, top + y0, (0, 0, 0, 0.35))
        if i == lit_row:
            rounded_rect(ctx, 1, top + y0 + 1, SWITCH_W - 2, y1 - y0, 2.0)
            ctx.set_source_rgba(*accent, 0.10)
            ctx.fill()
        cy = top + (y0 + y1 + 1) / 2.0
        switch_led(ctx, SWITCH_LED_X, top + y0 + 3, top + y1 - 2, i == lit_row, accent)
        colour = TEXT_ON if i == lit_row else TEXT_OFF
        # 10 px bold: the words stay apart and readable at 1x in a 13-px row
        baseline = round(cy + 3.5)
        set_font(ctx, 10, bold=True)
        for word, x in zip(SWITCH_ORDERS[i], SWITCH_COLUMNS):
            draw_text(ctx, word, x, baseline, colour, 0.0, align="centre")
        for x in (48, 96):
            ctx.set_source_rgb(*(accent if i == lit_row else LABEL_DIM))
            ctx.arc(x, cy, 1.0, 0, 2 * math.pi)
            ctx.fill()


def order_switch(background, accent):
    """Six frames; frame i lights row i. Drawn over the background under the
    switch so its rounded corners blend in."""
    x, y = TAVREL_SWITCH
    surface, ctx = new_surface(SWITCH_W, SWITCH_H * len(SWITCH_ROWS))
    for frame in range(len(SWITCH_ROWS)):
        ctx.save()
        ctx.rectangle(0, frame * SWITCH_H, SWITCH_W, SWITCH_H)
        ctx.clip()
        blit(ctx, background, -x, frame * SWITCH_H - y)
        switch_frame(ctx, frame * SWITCH_H, frame, accent)
        ctx.restore()
    surface.flush()
    return surface


def tavrel_about():
    return about_picture(TAVREL_SIZE, "TAVREL", TEAL,
                         lambda ctx, cx, cy: field_emblem(ctx, cx, cy, 18), 18,
                         ["Turns a B-format field:", "rotate, tilt and tumble"])


def tavrel_preview(pictures, values):
    """values = (angle 1, angle 2, angle 3, order)."""
    bg, knob, switch = pictures
    w, h = TAVREL_SIZE
    surface, ctx = new_surface(w, h)
    blit(ctx, bg, 0, 0)
    for (x, y), v in zip(TAVREL_KNOBS, values[:3]):
        blit(ctx, knob, x, y, knob_frame_for(v) * KNOB_SIZE, KNOB_SIZE, KNOB_SIZE)
    position = max(0, min(5, int(values[3] * 5 + 0.5)))
    x, y = TAVREL_SWITCH
    blit(ctx, switch, x, y, position * SWITCH_H, SWITCH_W, SWITCH_H)
    for rect, v in zip(TAVREL_DISPLAYS, values[:3]):
        turns = v if 0.0 <= v <= 1.0 else v - math.floor(v)
        mock_display(ctx, rect, "%.1f\u00b0" % (turns * 360.0))
    surface.flush()
    return surface


# ---------------------------------------------------------------------------
# Gallery: level meter strips and a two-frame button
# ---------------------------------------------------------------------------

METER_W, METER_N = 12, 200
METER_TYPES = [("k-12", 12.0, 0.85, 0.6), ("k-14", 14.0, 0.825, 0.575), ("k-20", 20.0, 0.75, 0.5)]
METER_RED = rgb("#E8453C")
METER_YELLOW = rgb("#F2C230")
METER_GREEN = rgb("#4CC46A")


def meter_bounds(full_scale, zero_on, low_on, n=METER_N):
    """The meter's zone rows for one scale (the control computes the same)."""
    over_on = zero_on + (1 - zero_on) * 4.0 / (full_scale - zero_on)
    warn = int(n * (1 - over_on))
    zero = int(n * (1 - zero_on) + 1)
    low = int(n * (1 - low_on))
    over_px = int(n * (1 - over_on))
    warn_px = int(n * (1 - zero_on) - over_px)
    norm_px = int(n * (1 - low_on) - (over_px + warn_px))
    low_px = n - (over_px + warn_px + norm_px)
    return dict(warn=warn, zero=zero, low=low, over_px=over_px, warn_px=warn_px,
                norm_px=norm_px, low_px=low_px, full_scale=full_scale)


def meter_row(level, b):
    """Bar top row for a level in dB, as the meter places it."""
    if level <= -104:
        return METER_N
    if level <= -24:
        return int(b["low_px"] * (-24 - level) / 80.0) + b["low"]
    if level <= 0:
        return int(b["norm_px"] * (0 - level) / 24.0) + b["zero"]
    if level < 4:
        return b["warn"] + int(b["warn_px"] * (1 - level / 4.0))
    return int(b["over_px"] * (1 - (level - 4) / (b["full_scale"] - 4)))


def meter_segments(ctx, top, colour, brightness):
    """The bar as a column of lamp segments, two rows lit and one dark,
    rounded by a light from the left."""
    for y in range(METER_N):
        if y % 3 == 2:
            hline(ctx, 0, METER_W - 1, top + y, (0.03, 0.035, 0.04, 1.0))
            continue
        for x in range(METER_W):
            if x == 0 or x == METER_W - 1:
                shade = 0.45
            else:
                shade = 0.80 + 0.20 * math.cos((x - 4.0) / METER_W * math.pi)
            c = tuple(min(1.0, ch * brightness * shade) for ch in colour)
            ctx.set_source_rgb(*c)
            ctx.rectangle(x, top + y, 1, 1)
            ctx.fill()


def meter_lit(colour):
    surface, ctx = new_surface(METER_W, METER_N, (0, 0, 0))
    meter_segments(ctx, 0, colour, 1.0)
    surface.flush()
    return surface


def meter_off():
    """Unlit bar for each scale (k-12, k-14, k-20 from the top), its zones
    faintly tinted so the scale reads while silent."""
    surface, ctx = new_surface(METER_W, METER_N * 3, (0, 0, 0))
    for t, (_, full, zero_on, low_on) in enumerate(METER_TYPES):
        b = meter_bounds(full, zero_on, low_on)
        top = t * METER_N
        for y0, y1, colour in ((0, b["warn"], METER_RED), (b["warn"], b["zero"], METER_YELLOW),
                               (b["zero"], METER_N, METER_GREEN)):
            ctx.save()
            ctx.rectangle(0, top + y0, METER_W, y1 - y0)
            ctx.clip()
            meter_segments(ctx, top, colour, 0.22)
            ctx.restore()
    surface.flush()
    return surface


def meter_peak():
    """Five marker segments of four rows: flash A, flash B, over, warn,
    normal. Three lit rows and a black row (black is the key colour)."""
    surface, ctx = new_surface(METER_W, 20, (0, 0, 0))
    colours = [mix(METER_RED, (1, 1, 1), 0.75), METER_RED, METER_RED, METER_YELLOW, METER_GREEN]
    for k, colour in enumerate(colours):
        bright = mix(colour, (1, 1, 1), 0.35)
        for row in range(3):
            c = bright if row == 1 else colour
            hline(ctx, 0, METER_W - 1, k * 4 + row, c + (1.0,))
    surface.flush()
    return surface


def meter_background():
    surface, ctx = new_surface(METER_W, METER_N, WELL)
    vline(ctx, 0, 0, METER_N - 1, (0, 0, 0, 0.5))
    hline(ctx, 0, METER_W - 1, 0, (0, 0, 0, 0.5))
    surface.flush()
    return surface


def meter_scale():
    """Tick marks at both edges on black (the key colour), per scale:
    full scale, +4 (over), 0 dB (long), -6, -12, -24 (low), -48."""
    surface, ctx = new_surface(METER_W, METER_N * 3, (0, 0, 0))
    for t, (_, full, zero_on, low_on) in enumerate(METER_TYPES):
        b = meter_bounds(full, zero_on, low_on)
        for level in (4.0, 0.0, -6.0, -12.0, -24.0, -48.0):
            y = t * METER_N + min(METER_N - 1, meter_row(level, b))
            length = 4 if level == 0 else 2
            colour = TEXT_ON if level == 0 else LABEL
            hline(ctx, 0, length - 1, y, colour + (1.0,))
            hline(ctx, METER_W - length, METER_W - 1, y, colour + (1.0,))
    surface.flush()
    return surface


def movie_button(accent, size=48):
    """Two frames, off then on: a square push button with a lamp."""
    surface, ctx = new_surface(size, size * 2)
    for frame in range(2):
        top = frame * size
        on = frame == 1
        m = 7.0
        s = size - 2 * m
        # drop shadow
        for i, a in enumerate((0.10, 0.16, 0.22)):
            rounded_rect(ctx, m + 2 - i * 0.5, top + m + 3 - i * 0.5, s + i, s + i, 5.0)
            ctx.set_source_rgba(0, 0, 0, a)
            ctx.fill()
        rounded_rect(ctx, m, top + m + (1 if on else 0), s, s, 5.0)
        face = cairo.LinearGradient(0, top + m, 0, top + m + s)
        face.add_color_stop_rgb(0.0, *(KNOB_CAP_DARK if on else KNOB_SKIRT_LIGHT))
        face.add_color_stop_rgb(1.0, *(KNOB_CAP_LIGHT if on else KNOB_CAP_DARK))
        ctx.set_source(face)
        ctx.fill_preserve()
        ctx.set_source_rgba(0.03, 0.035, 0.04, 0.95)
        ctx.set_line_width(1.0)
        ctx.stroke()
        rounded_rect(ctx, m + 1.5, top + m + 1.5 + (1 if on else 0), s - 3, s - 3, 4.0)
        ctx.set_source_rgba(1, 1, 1, 0.06 if on else 0.18)
        ctx.stroke()
        cx, cy = size / 2.0, top + size / 2.0 + (1 if on else 0)
        if on:
            glow = cairo.RadialGradient(cx, cy, 1, cx, cy, 11)
            glow.add_color_stop_rgba(0.0, *accent, 0.6)
            glow.add_color_stop_rgba(1.0, *accent, 0.0)
            ctx.set_source(glow)
            ctx.arc(cx, cy, 11, 0, 2 * math.pi)
            ctx.fill()
        rounded_rect(ctx, cx - 7, cy - 2, 14, 4, 2)
        ctx.set_source_rgb(*(mix(accent, (1, 1, 1), 0.25) if on else mix(accent, WELL, 0.8)))
        ctx.fill()
    surface.flush()
    return surface


GALLERY = [
    (200, "meter over: lit red bar", 12, 200),
    (201, "meter warn: lit yellow bar", 12, 200),
    (202, "meter norm: lit green bar (normal and low zones)", 12, 200),
    (203, "meter off: unlit bar, 3 x 200 rows: k-12, k-14, k-20 from the top", 12, 600),
    (204, "meter peak: 5 segments of 4 rows (flash A, flash B, over, warn, normal), each 3 lit rows over 1 black (key) row", 12, 20),
    (205, "meter background: behind the bar", 12, 200),
    (206, "meter scale: ticks at both edges on black (key) at +4, 0 (longer), -6, -12, -24 and -48 dB; 3 x 200 rows ordered as the off strip", 12, 600),
    (207, "movie button, amber lamp: frame 0 off (rows 0-47), frame 1 on (rows 48-95)", 48, 96),
    (208, "movie button, teal lamp: as 207", 48, 96),
]


def gallery_pictures():
    return {
        200: meter_lit(METER_RED), 201: meter_lit(METER_YELLOW), 202: meter_lit(METER_GREEN),
        203: meter_off(), 204: meter_peak(), 205: meter_background(), 206: meter_scale(),
        207: movie_button(AMBER), 208: movie_button(TEAL),
    }


def gallery_readme():
    lines = ["Level-meter and movie-button pictures for the control gallery, drawn by",
             "../generate_pictures.py (run by hand). All opaque RGB.",
             "",
             "| No. | Size | Picture |",
             "|---|---|---|"]
    for number, text, w, h in GALLERY:
        lines.append("| bmp%05d.png | %d x %d | %s |" % (number, w, h, text))
    lines += ["",
              "The meter pictures fit a 12 x 200 meter (N = 200); the lit, off and scale",
              "pictures line up with the bar row for row, so the zones and ticks sit",
              "where the meter places them for each scale."]
    return "\n".join(lines) + "\n"


# ---------------------------------------------------------------------------
# Previews (contact sheets, window mock-ups)
# ---------------------------------------------------------------------------


def scaled(surface, factor):
    """Nearest-neighbour enlargement, to judge single pixels."""
    w, h = surface.get_width(), surface.get_height()
    out = cairo.ImageSurface(cairo.FORMAT_RGB24, w * factor, h * factor)
    ctx = cairo.Context(out)
    ctx.scale(factor, factor)
    ctx.set_source_surface(surface, 0, 0)
    ctx.get_source().set_filter(cairo.FILTER_NEAREST)
    ctx.paint()
    return out


def sheet(tiles, columns, tile_w, tile_h, captions=None, pad=6, caption_h=12, zoom=1):
    """Tiles on a neutral grey grid with captions under each."""
    rows = (len(tiles) + columns - 1) // columns
    cell_w, cell_h = tile_w * zoom + pad, tile_h * zoom + pad + (caption_h if captions else 0)
    surface, ctx = new_surface(columns * cell_w + pad, rows * cell_h + pad, rgb("#5A5F66"))
    for i, tile in enumerate(tiles):
        x = pad + (i % columns) * cell_w
        y = pad + (i // columns) * cell_h
        blit(ctx, scaled(tile, zoom) if zoom > 1 else tile, x, y)
        if captions:
            set_font(ctx, 9)
            draw_text(ctx, captions[i], x + tile_w * zoom / 2.0, y + tile_h * zoom + 10, (1, 1, 1), 0, "centre")
    surface.flush()
    return surface


def frames_of(strip, frame_w, frame_h):
    out = []
    for k in range(logical_size(strip)[1] // frame_h):
        tile, ctx = new_surface(frame_w, frame_h)
        blit(ctx, strip, 0, 0, k * frame_h, frame_w, frame_h)
        out.append(tile)
    return out


def side_by_side(surfaces, gap=8, fill=rgb("#5A5F66")):
    w = sum(logical_size(s)[0] for s in surfaces) + gap * (len(surfaces) + 1)
    h = max(logical_size(s)[1] for s in surfaces) + 2 * gap
    out, ctx = new_surface(w, h, fill)
    x = gap
    for s in surfaces:
        blit(ctx, s, x, gap)
        x += logical_size(s)[0] + gap
    out.flush()
    return out


# ---------------------------------------------------------------------------
# Main
# ---------------------------------------------------------------------------


def pictures_at(scale, out):
    """Draws and writes every editor picture at one density; returns what the
    previews need."""
    global S
    S = scale
    suffix = "" if scale == 1 else "@%dx" % scale

    def name(number):
        return "bmp%05d%s.png" % (number, suffix)

    # Pelrin
    p_bg = pelrin_background()
    p_knob = knob_strip(AMBER)
    check_knob_strip(p_knob)
    p_body = fader_body(p_bg, *PELRIN_FADER)
    p_handle = fader_handle(AMBER, p_body)
    out(p_bg, "pelrin", name(128))
    out(pelrin_about(), "pelrin", name(129))
    out(p_knob, "pelrin", name(130))
    out(p_body, "pelrin", name(131))
    out(p_handle, "pelrin", name(132))
    for x, y in PELRIN_KNOBS:
        for dx, dy in ((0, 0), (47, 0), (0, 47), (47, 47)):
            assert read_pixel(p_bg, x + dx, y + dy) == pixel_of(PANEL), "Pelrin knob square (%d,%d)" % (x, y)

    # Tavrel
    t_bg = tavrel_background()
    t_knob = knob_strip(TEAL)
    check_knob_strip(t_knob)
    t_switch = order_switch(t_bg, TEAL)
    out(t_bg, "tavrel", name(128))
    out(t_knob, "tavrel", name(132))
    out(t_switch, "tavrel", name(133))
    out(tavrel_about(), "tavrel", name(134))
    for x, y in TAVREL_KNOBS:
        for dx, dy in ((0, 0), (47, 0), (0, 47), (47, 47)):
            assert read_pixel(t_bg, x + dx, y + dy) == pixel_of(PANEL), "Tavrel knob square (%d,%d)" % (x, y)

    # Gallery
    gallery = gallery_pictures()
    for number, _, w, h in GALLERY:
        assert logical_size(gallery[number]) == (w, h), number
        out(gallery[number], "gallery", name(number))
    return dict(p_bg=p_bg, p_knob=p_knob, p_body=p_body, p_handle=p_handle, t_bg=t_bg, t_knob=t_knob,
                t_switch=t_switch, gallery=gallery)


def main():
    global S
    previews = "--previews" in sys.argv[1:]
    written = []

    def out(surface, *parts):
        written.append(save(surface, *parts))

    drawn = {scale: pictures_at(scale, out) for scale in SCALES}
    with open(os.path.join(HERE, "gallery", "README"), "w") as f:
        f.write(gallery_readme())

    for k in (0, 11, 22, 33, 44):
        print("knob frame %2d: pointer at %6.2f degrees clockwise from 12 o'clock" % (k, knob_angle_degrees(k)))

    if previews:
        S = 2
        two = drawn[2]
        for name, strip in (("pelrin", two["p_knob"]), ("tavrel", two["t_knob"])):
            out(sheet(frames_of(strip, KNOB_SIZE, KNOB_SIZE), 9, KNOB_SIZE, KNOB_SIZE,
                      ["%d: %.1f\u00b0" % (k, knob_angle_degrees(k)) for k in range(KNOB_FRAMES)]),
                "contact_%s_knob@2x.png" % name)
        S = 1
        one = drawn[1]
        p_bg, p_knob, p_body, p_handle = one["p_bg"], one["p_knob"], one["p_body"], one["p_handle"]
        t_bg, t_knob, t_switch, gallery = one["t_bg"], one["t_knob"], one["t_switch"], one["gallery"]
        for name, strip in (("pelrin", p_knob), ("tavrel", t_knob)):
            out(sheet(frames_of(strip, KNOB_SIZE, KNOB_SIZE), 9, KNOB_SIZE, KNOB_SIZE,
                      ["%d: %.1f\u00b0" % (k, knob_angle_degrees(k)) for k in range(KNOB_FRAMES)], zoom=2),
                "contact_%s_knob.png" % name)
        out(sheet(frames_of(t_switch, SWITCH_W, SWITCH_H), 3, SWITCH_W, SWITCH_H,
                  ["frame %d" % k for k in range(6)], zoom=2), "contact_tavrel_switch.png")
        out(scaled(side_by_side([p_body, p_handle]), 4), "contact_pelrin_slider.png")
        out(scaled(side_by_side([gallery[n] for n, _, _, _ in GALLERY]), 3), "contact_gallery.png")
        pictures = (p_bg, p_knob, p_body, p_handle)
        settings = [(0.0, 0.25, 1 / 6.0, 0.5), (0.25, 0.5, 0.75, 0.0), (0.875, 0.0, 1.0, 1.0), (-0.001, 1.5, 0.5, 0.3)]
        shots = [pelrin_preview(pictures, v) for v in settings]
        out(side_by_side(shots), "contact_pelrin_preview.png")
        out(scaled(side_by_side([shots[0], pelrin_about()]), 2), "contact_pelrin_preview_2x.png")
        t_pictures = (t_bg, t_knob, t_switch)
        t_settings = [(1.0, 1.0, 1.0, 0.0), (0.25, 0.5, 0.75, 0.4), (0.1, 0.6, 0.9, 1.0), (0.0, 0.0, 0.0, 0.6)]
        t_shots = [tavrel_preview(t_pictures, v) for v in t_settings]
        out(side_by_side(t_shots), "contact_tavrel_preview.png")
        out(scaled(side_by_side([t_shots[1], tavrel_about()]), 2), "contact_tavrel_preview_2x.png")

    for path in written:
        print("wrote", os.path.relpath(path, os.path.dirname(HERE)))


if __name__ == "__main__":
    main()
