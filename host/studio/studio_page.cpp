// The studio page. It draws the dialog the server describes (the plug-in's own template
// and state), turns each thing the user does into a step, and asks the server for the
// dialog again after every step, so that what is enabled, checked and listed is what the
// plug-in's dialog logic made of it.
#include "host/studio/studio_page.h"

const char* StudioPage() {
  return R"PAGE(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>fwhost studio</title>
<style>
  body { font: 13px system-ui, sans-serif; margin: 0; background: #e9ebee; color: #222; }
  header { background: #2c3e50; color: #fff; padding: 8px 16px; display: flex; align-items: baseline; gap: 16px; }
  header h1 { font-size: 17px; margin: 0; }
  header span { opacity: .8; }
  main { display: flex; gap: 16px; padding: 16px; align-items: flex-start; flex-wrap: wrap; }
  nav { width: 170px; display: flex; flex-direction: column; gap: 6px; }
  nav button { text-align: left; padding: 6px 8px; border: 1px solid #aab; background: #fff; border-radius: 4px; cursor: pointer; }
  nav button.chosen { background: #2c3e50; color: #fff; }
  nav button:disabled { color: #999; cursor: default; }
  nav small { display: block; opacity: .75; }
  .panel { background: #fff; border: 1px solid #bbc; border-radius: 6px; padding: 12px; }
  #dialogPanel h2, #previewPanel h2 { font-size: 14px; margin: 0 0 8px; }
  #dialog { position: relative; background: #f0f0f0; border: 1px solid #999; font: 12px Tahoma, Verdana, sans-serif; }
  #dialog.busy { opacity: .6; pointer-events: none; }
  #dialog > * { position: absolute; box-sizing: border-box; margin: 0; font: inherit; }
  #dialog fieldset { border: 1px solid #aaa; padding: 0; }
  #dialog legend { padding: 0 3px; font-size: 11px; }
  #dialog label.text { white-space: pre; overflow: hidden; }
  #dialog label.box { display: flex; align-items: center; gap: 3px; white-space: nowrap; }
  #dialog label.box input { margin: 0; }
  #dialog select[size] { overflow-y: auto; }
  #dialog .updown { display: flex; flex-direction: column; }
  #dialog .updown button { flex: 1; padding: 0; font-size: 7px; line-height: 1; min-height: 0; }
  #dialog button.colour { border: 2px outset #ddd; }
  #dialog .disabled { color: #888; }
  #drop { margin-top: 8px; border: 2px dashed #99a; border-radius: 6px; padding: 10px; text-align: center; color: #556; }
  #drop.over { background: #def; border-color: #36c; }
  #previewPanel { flex: 1 1 320px; min-width: 320px; max-width: 560px; }
  #preview { display: block; max-width: 520px; max-height: 420px; margin: 8px 0; background: repeating-conic-gradient(#ddd 0 25%, #fff 0 50%) 0 0/16px 16px; }
  progress { width: 100%; }
  #command { background: #1e272e; color: #e8e8e8; padding: 8px; border-radius: 4px; white-space: pre-wrap; word-break: break-all; font: 12px monospace; }
  #messages { color: #a00; white-space: pre-wrap; }
  #help { white-space: pre-wrap; background: #fffbe6; border: 1px solid #e0d090; padding: 8px; display: none; }
  .row { display: flex; gap: 8px; align-items: center; flex-wrap: wrap; margin: 6px 0; }
  .hidden { display: none !important; }
</style>
</head>
<body>
<header><h1>fwhost studio</h1><span id="where">the plug-ins' own dialogs, with a preview</span></header>
<main>
  <nav id="effects" aria-label="Effects"></nav>
  <section class="panel" id="dialogPanel">
    <h2 id="dialogTitle">Choose an effect</h2>
    <div id="dialog" role="form"></div>
    <div id="drop">Drop pictures here, or use the dialog's Add button</div>
    <div id="help"></div>
  </section>
  <section class="panel" id="previewPanel">
    <h2>Preview</h2>
    <div class="row">
      <label>Save as <select id="format"></select></label>
    </div>
    <div id="state">Test makes a quick preview; OK makes the full animation.</div>
    <progress id="progress" class="hidden" max="1" value="0"></progress>
    <div class="row"><button id="stop" disabled>Stop</button><a id="download" class="hidden" download>Download</a></div>
    <img id="preview" class="hidden" alt="the animation">
    <div id="result"></div>
    <div id="messages" role="alert"></div>
    <h2>The same on the command line</h2>
    <div id="command"></div>
    <div class="row"><button id="copy">Copy</button></div>
  </section>
</main>
<input type="file" id="picker" class="hidden" accept="image/png,image/jpeg,image/gif,image/webp,image/bmp">
<input type="color" id="colourPicker" class="hidden">
<script>
"use strict";
const token = new URLSearchParams(location.search).get("token") || "";
const unitX = 1.75, unitY = 1.75;  // pixels per dialog unit
let page = null, previewFit = "", effects = [], effect = null, steps = [], dialogState = null, building = false, lastBuild = 0;
let pollTimer = null, heartbeat = null;
const uploads = {};  // uploaded file -> its name
const $ = id => document.getElementById(id);

async function call(path, params, body) {
  const query = new URLSearchParams(params || {});
  const options = { method: body === undefined ? "GET" : "POST", headers: { "X-Fwhost-Token": token } };
  if (body !== undefined) options.body = body;
  const response = await fetch(path + (query.toString() ? "?" + query : ""), options);
  let data = {};
  try { data = await response.json(); } catch (e) { data = { error: response.statusText }; }
  if (!response.ok) throw new Error(data.error || response.statusText);
  return data;
}
function form(fields) {
  const f = new URLSearchParams();
  for (const [k, v] of Object.entries(fields)) f.append(k, v);
  return f;
}
function say(text) { $("messages").textContent = text || ""; }

async function start() {
  try {
    const data = await call("/api/page", {}, form({}));
    page = data.page;
    effects = data.effects;
    previewFit = data.previewFit.replace("x", " \u00d7 ");
    for (const f of data.formats) $("format").add(new Option(f.label, f.word));
    heartbeat = setInterval(() => { if (!building) poll(); }, Math.min(10000, Math.max(2000, data.idleSeconds * 250)));
  } catch (e) { say(e.message); return; }
  const nav = $("effects");
  for (const e of effects) {
    const b = document.createElement("button");
    b.dataset.effect = e.name;
    b.innerHTML = "<b></b><small></small>";
    b.querySelector("b").textContent = e.title;
    b.querySelector("small").textContent = e.installed ? e.summary : "not installed";
    b.disabled = !e.installed;
    b.onclick = () => choose(e);
    nav.appendChild(b);
  }
}

async function choose(e) {
  if (building) return;
  effect = e; steps = [];
  for (const b of $("effects").children) b.classList.toggle("chosen", b.dataset.effect === e.name);
  $("drop").classList.toggle("hidden", e.sources === "none");
  $("help").style.display = "none";
  $("preview").classList.add("hidden"); $("download").classList.add("hidden"); $("result").textContent = "";
  await refresh();
}

// Asks for the dialog as the steps leave it; a step the dialog refuses is taken back.
async function refresh(added) {
  if (!effect) return;
  try {
    const data = await call("/api/dialog", {}, form({ page, effect: effect.name, steps: steps.join("\n"), format: $("format").value }));
    dialogState = data.dialog;
    $("command").textContent = data.command;
    say("");
    draw();
  } catch (err) {
    if (added) steps.splice(steps.length - added, added);
    say(err.message);
  }
}
async function step(...lines) { steps.push(...lines); await refresh(lines.length); }

function helpOf(id) { return effect.help[String(id)] || ""; }
function place(el, c) {
  el.style.left = c.x * unitX + "px"; el.style.top = c.y * unitY + "px";
  el.style.width = c.w * unitX + "px"; el.style.height = c.h * unitY + "px";
  if (c.id >= 0) { el.dataset.id = c.id; const h = helpOf(c.id); if (h) el.title = h; }
  if (!c.enabled) { el.classList.add("disabled"); if ("disabled" in el) el.disabled = true; }
  return el;
}
const plain = t => t.replace(/&&/g, "\u0001").replace(/&/g, "").replace(/\u0001/g, "&");

function draw() {
  const d = dialogState, box = $("dialog");
  $("dialogTitle").textContent = d.title;
  box.innerHTML = "";
  box.style.width = d.width * unitX + "px"; box.style.height = d.height * unitY + "px";
  const byId = {};
  for (const c of d.controls) if (c.id >= 0) byId[c.id] = c;
  for (const c of d.controls) {
    let el = null;
    const text = plain(c.text || "");
    switch (c.kind) {
      case "group":
        el = document.createElement("fieldset");
        if (text) { const l = document.createElement("legend"); l.textContent = text; el.appendChild(l); }
        break;
      case "label":
        el = document.createElement("label"); el.className = "text"; el.textContent = text; break;
      case "edit": {
        el = document.createElement("input");
        el.value = c.text;
        el.onchange = () => step("set " + c.id + " " + el.value.replace(/[\r\n]/g, " "));
        break;
      }
      case "check": case "radio": {
        el = document.createElement("label"); el.className = "box";
        const input = document.createElement("input");
        input.type = c.kind === "check" ? "checkbox" : "radio";
        input.checked = c.checked; input.disabled = !c.enabled; input.dataset.id = c.id;
        input.onchange = () => step(c.kind === "radio" ? "click " + c.id : (input.checked ? "check " : "uncheck ") + c.id);
        el.appendChild(input); el.appendChild(document.createTextNode(text));
        break;
      }
      case "list": case "combo": {
        el = document.createElement("select");
        if (c.kind === "list") el.size = Math.max(2, Math.floor(c.h / 10));
        // A list the plug-in draws itself (its items' texts are blank) shows the pictures' names.
        const names = steps.filter(s => s.startsWith("picture ")).map(s => uploads[s.split(" ")[1]] || "");
        // A colour list the plug-in draws from its settings shows the colours chosen here.
        const colourList = effect.colourLists.find(l => l.id === c.id);
        c.items.forEach((item, i) => {
          const o = document.createElement("option");
          o.value = i;
          if (item.trim()) o.textContent = item;
          else if (colourList) {
            const chosen = [...steps].reverse().find(s => s.startsWith("listcolour " + c.id + " " + i + " "));
            const colour = chosen ? chosen.split(" ")[3] : "";
            o.textContent = (i + colourList.first) + ": " + (colour || "as the plug-in has it");
            if (colour.startsWith("#")) o.style.borderLeft = "14px solid " + colour;
          } else o.textContent = "Picture " + (i + 1) + (names.length === c.items.length ? ": " + names[i] : "");
          el.appendChild(o);
        });
        el.selectedIndex = c.selection;
        el.onchange = () => step("select " + c.id + " " + el.selectedIndex);
        if (c.kind === "list") el.ondblclick = ev => {
          const i = el.selectedIndex;
          if (i < 0) return;
          if (!colourList) return step("dblclick " + c.id + " " + i);
          if (ev.shiftKey) return step("listcolour " + c.id + " " + i + " random");
          pickColour(hex => step("listcolour " + c.id + " " + i + " " + hex));
        };
        break;
      }
      case "updown": {
        // Its arrows type the next number into the edit field beside it, held to the range.
        el = document.createElement("span");
        el.className = "updown";
        const edit = byId[c.id - 10000], low = Math.min(c.minimum, c.maximum), high = Math.max(c.minimum, c.maximum);
        for (const [label, by] of [["\u25b2", 1], ["\u25bc", -1]]) {
          const b = document.createElement("button");
          b.type = "button"; b.textContent = label; b.disabled = !c.enabled;
          b.onclick = () => {
            const now = parseInt(edit ? edit.text : "", 10);
            step("set " + (c.id - 10000) + " " + Math.min(high, Math.max(low, (isNaN(now) ? low : now) + by)));
          };
          el.appendChild(b);
        }
        break;
      }
      case "button": case "drawn": el = button(c, text); if (!el) continue; break;
      default: continue;
    }
    box.appendChild(place(el, c));
    if (c.kind === "combo") el.style.height = 13 * unitY + "px";  // the template's height includes the drop-down
  }
}

function button(c, text) {
  const el = document.createElement("button");
  el.type = "button";
  el.textContent = text;
  if (c.id === effect.logo || c.id === effect.about) return null;
  if (c.id === 1) el.onclick = () => build("ok");
  else if (c.id === 2) { el.textContent = "Reset"; el.title = "start again from the built-in settings"; el.onclick = () => { steps = []; refresh(); }; }
  else if (c.id === 9) el.onclick = showHelp;
  else if (c.id === effect.test) el.onclick = () => build("test");
  else if (c.id === effect.add) el.onclick = () => pickPictures(effect.sources === "list", f => addPictures(f, "picture"));
  else if (effect.paste && c.id === effect.paste) {
    // The page's clipboard is the file picker: Paste is there whenever the plug-in has it.
    el.onclick = () => pickPictures(false, f => addPictures(f, "paste"));
    c.enabled = true;
  }
  else if (effect.colours.includes(c.id)) {
    el.classList.add("colour");
    el.onclick = () => pickColour(hex => step("colour " + c.id + " " + hex));
    // The plug-in keeps the colour as the button's text, "R,G,B".
    const rgb = /^(\d+),(\d+),(\d+)$/.exec(c.text || "");
    if (rgb) { el.style.background = "rgb(" + rgb.slice(1).join(",") + ")"; el.textContent = ""; el.setAttribute("aria-label", "colour " + c.text); }
  } else el.onclick = () => step("click " + c.id);
  return el;
}

function showHelp() {
  const h = $("help");
  const lines = [effect.title + ": " + effect.summary + "."];
  const seen = new Set();
  for (const c of dialogState.controls) {
    const text = helpOf(c.id);
    if (text && !seen.has(text)) { seen.add(text); lines.push("\u2022 " + plain(c.text || "").replace(/:$/, "") + ": " + text); }
  }
  h.textContent = lines.join("\n");
  h.style.display = h.style.display === "block" ? "none" : "block";
}

function pickPictures(multiple, then) {
  const p = $("picker");
  p.multiple = multiple; p.value = "";
  p.onchange = () => then([...p.files]);
  p.click();
}
function pickColour(then) {
  const p = $("colourPicker");
  p.value = "#ffffff";
  p.onchange = () => then(p.value);
  p.click();
}

// Uploads the files, then presses Add (Select image, Paste) once for each.
async function addPictures(files, verb) {
  if (!effect || effect.sources === "none" || !files.length) return;
  const added = [];
  for (const file of files) {
    const body = new FormData();
    body.append("picture", file, file.name);
    try { const up = await call("/api/upload", { page }, body); uploads[up.file] = up.name; added.push(up.file); }
    catch (e) { say(e.message); return; }
  }
  if (effect.sources === "single" || verb === "paste") {
    // One picture: the latest choice replaces the earlier one.
    steps = steps.filter(s => !s.startsWith(verb + " "));
    await step(verb + " " + added[added.length - 1]);
  } else {
    await step(...added.map(f => verb + " " + f));
  }
}

async function build(kind) {
  if (!effect || building) return;
  try {
    const data = await call("/api/build", {}, form({ page, effect: effect.name, steps: steps.join("\n"), kind, format: $("format").value }));
    if (kind === "ok") $("command").textContent = data.command;
    setBuilding(true);
    poll();
  } catch (e) { say(e.message); }
}
function setBuilding(on) {
  building = on;
  $("dialog").classList.toggle("busy", on);
  $("stop").disabled = !on;
  $("progress").classList.toggle("hidden", !on);
  if (on) { say(""); pollTimer = setInterval(poll, 250); }
  else if (pollTimer) { clearInterval(pollTimer); pollTimer = null; }
}

async function poll() {
  if (!page) return;
  let s;
  try { s = await call("/api/status", { page }); } catch (e) { say(e.message); setBuilding(false); return; }
  if (s.state === "idle") return;
  const what = s.test ? "Test" : "OK";
  if (s.state === "queued") { $("state").textContent = what + ": waiting for " + (s.queued - 1) + " build(s) of other pages"; return; }
  if (s.state === "running") {
    $("state").textContent = what + ": " + (s.status || "starting") + (s.total ? " " + s.done + "/" + s.total : "");
    const p = $("progress");
    if (s.total) { p.max = s.total; p.value = s.done; } else p.removeAttribute("value");
    return;
  }
  if (!building) return;
  setBuilding(false);
  if (s.state === "done" && s.build !== lastBuild) {
    lastBuild = s.build;
    const url = "/api/animation?" + new URLSearchParams({ token, page, build: s.build });
    $("preview").src = url;
    $("preview").classList.remove("hidden");
    $("result").textContent = what + ": " + s.frames + " frames, " + s.width + " \u00d7 " + s.height + ", " + s.bytes.toLocaleString("en") + " bytes (" + s.format + ")";
    $("state").textContent = s.test ? "Test preview ready (pictures fitted inside " + previewFit + ")." : "The animation is ready.";
    const a = $("download");
    a.href = url + "&download=1"; a.download = s.file;
    a.textContent = "Download " + s.file;
    a.classList.remove("hidden");
    say(s.messages);
  } else if (s.state !== "done") {
    $("state").textContent = what + (s.state === "stopped" ? ": stopped." : ": failed.");
    say(s.messages);
  }
}

$("stop").onclick = () => call("/api/stop", {}, form({ page })).catch(e => say(e.message));
$("copy").onclick = () => navigator.clipboard && navigator.clipboard.writeText($("command").textContent);
$("format").onchange = () => refresh();
const drop = $("drop");
for (const target of [document]) {
  target.addEventListener("dragover", ev => { ev.preventDefault(); drop.classList.add("over"); });
  target.addEventListener("dragleave", () => drop.classList.remove("over"));
  target.addEventListener("drop", ev => {
    ev.preventDefault(); drop.classList.remove("over");
    addPictures([...ev.dataTransfer.files], "picture");
  });
}
// Closing the tab ends its build and removes its files.
addEventListener("pagehide", () => { if (page) navigator.sendBeacon("/api/close?" + new URLSearchParams({ token, page })); });
start();
</script>
</body>
</html>
)PAGE";
}
