// fwhost studio as a person uses it, in headless Chromium: choose Page Curl, drop two
// pictures, set the step and the corner, Test, wait for the preview, OK, download; the
// download must be the bytes, and have the frame count, that the command line the page
// shows gives for the same settings. Then Pyrotechnics with a rocket colour. A
// screenshot of the page with its preview is kept in the artefacts folder.
//
//   node studio_end_to_end.mjs FWHOST PLUGIN_DIR MODULES_DIR ARTEFACTS_DIR
// Exits 77 (skipped) when Chromium or playwright-core is missing.
import { spawn, execFile } from "node:child_process";
import { createRequire } from "node:module";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import zlib from "node:zlib";

const [fwhost, pluginDir, modulesDir, artefacts] = process.argv.slice(2);
const chromium = process.env.CHROMIUM || "/usr/bin/chromium";
function skip(reason) { console.log("SKIPPED: " + reason); process.exit(77); }
if (!fs.existsSync(chromium)) skip(chromium + " is missing (scripts/setup installs Debian's chromium)");
let playwright;
try { playwright = createRequire(path.join(modulesDir, "package.json"))("playwright-core"); }
catch (e) { skip("playwright-core is not installed in " + modulesDir + " (scripts/setup installs it with npm)"); }

let failures = 0;
function check(condition, what) {
  console.log((condition ? "ok:   " : "FAIL: ") + what);
  if (!condition) failures++;
}

const work = fs.mkdtempSync(path.join(os.tmpdir(), "studio-e2e-"));
// Two pictures of different content, as PNG files.
function png(width, height, pixel) {
  const crcTable = Array.from({ length: 256 }, (_, n) => { let c = n; for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1; return c >>> 0; });
  const crc = b => { let c = 0xffffffff; for (const x of b) c = crcTable[(c ^ x) & 255] ^ (c >>> 8); return (c ^ 0xffffffff) >>> 0; };
  const chunk = (type, data) => { const t = Buffer.from(type); const out = Buffer.alloc(12 + data.length); out.writeUInt32BE(data.length, 0); t.copy(out, 4); data.copy(out, 8); out.writeUInt32BE(crc(Buffer.concat([t, data])), 8 + data.length); return out; };
  const rows = Buffer.alloc((width * 3 + 1) * height);
  for (let y = 0; y < height; y++) for (let x = 0; x < width; x++) rows.set(pixel(x, y), y * (width * 3 + 1) + 1 + x * 3);
  const header = Buffer.alloc(13); header.writeUInt32BE(width, 0); header.writeUInt32BE(height, 4); header[8] = 8; header[9] = 2;
  return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk("IHDR", header), chunk("IDAT", zlib.deflateSync(rows)), chunk("IEND", Buffer.alloc(0))]);
}
const pictures = [
  { name: "sunrise.png", data: png(200, 150, (x, y) => [255 - y, x, 90]) },
  { name: "sea at 'dusk'.png", data: png(200, 150, (x, y) => [20, (x * y) & 255, 200 - (y >> 1)]) },
];
for (const p of pictures) fs.writeFileSync(path.join(work, p.name), p.data);

// The studio, and the address it prints.
// Its private folder goes into a temporary folder of the test's own, to be looked into.
const studioTemp = path.join(work, "tmp");
fs.mkdirSync(studioTemp);
const studio = spawn(fwhost, ["studio", "--plugin-dir", pluginDir],
                     { stdio: ["ignore", "pipe", "inherit"], env: { ...process.env, TMPDIR: studioTemp } });
// The folders of open pages, and their files.
function pageFiles() {
  const found = [];
  const walk = dir => { for (const e of fs.readdirSync(dir, { withFileTypes: true })) { const p = path.join(dir, e.name); if (e.isDirectory()) walk(p); else found.push(p); } };
  walk(studioTemp);
  return found;
}
const address = await new Promise((resolve, reject) => {
  let text = "";
  studio.stdout.on("data", d => { text += d; const m = /(http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+)/.exec(text); if (m) resolve(m[1]); });
  studio.on("exit", code => reject(new Error("fwhost studio ended with " + code)));
  setTimeout(() => reject(new Error("fwhost studio printed no address")), 10000);
});

// The command line the page shows, run from the pictures' folder: its output and summary.
function runCommand(command, output) {
  return new Promise(resolve => {
    execFile("sh", ["-c", command.replace(/^fwhost /, "'" + fwhost + "' ")], { cwd: work }, (error, stdout, stderr) =>
      resolve({ status: error ? error.code : 0, stderr, bytes: fs.existsSync(path.join(work, output)) ? fs.readFileSync(path.join(work, output)) : null }));
  });
}
function framesSaid(text) { const m = /(?:OK|Test): (\d+) frames/.exec(text); return m ? Number(m[1]) : -1; }

// The frames of a GIF, counted by walking its blocks.
function gifFrames(b) {
  let at = 13 + ((b[10] & 0x80) ? 3 << ((b[10] & 7) + 1) : 0), frames = 0;
  const skipBlocks = () => { while (b[at]) at += b[at] + 1; at++; };
  while (at < b.length) {
    const kind = b[at++];
    if (kind === 0x3b) return frames;
    if (kind === 0x21) { at++; skipBlocks(); continue; }
    if (kind !== 0x2c) return -1;
    frames++;
    const flags = b[at + 8]; at += 9;
    if (flags & 0x80) at += 3 << ((flags & 7) + 1);
    at++; skipBlocks();
  }
  return -1;
}

const browser = await playwright.chromium.launch({ executablePath: chromium, args: ["--no-sandbox"] });
try {
  const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1280, height: 900 } });
  const page = await context.newPage();
  page.on("pageerror", e => check(false, "no script error on the page: " + e.message));
  await page.goto(address);
  const command = () => page.textContent("#command");
  const waitCommand = async text => page.waitForFunction(t => document.querySelector("#command").textContent.includes(t), text);

  // Page Curl.
  await page.click("nav button[data-effect=pagecurl]");
  await page.waitForSelector("#dialog [data-id='125']");
  check(await page.isDisabled("#dialog button[data-id='1']"), "OK is disabled while the list is empty, as the plug-in says");
  const transfer = await page.evaluateHandle(files => {
    const dt = new DataTransfer();
    for (const f of files) dt.items.add(new File([Uint8Array.from(atob(f.data), c => c.charCodeAt(0))], f.name, { type: "image/png" }));
    return dt;
  }, pictures.map(p => ({ name: p.name, data: p.data.toString("base64") })));
  await page.dispatchEvent("#drop", "drop", { dataTransfer: transfer });
  await page.waitForFunction(() => document.querySelectorAll("#dialog select[data-id='124'] option").length === 2);
  check(await page.isEnabled("#dialog button[data-id='1']"), "OK is enabled once two pictures are in the list");
  await page.fill("#dialog input[data-id='128']", "5");
  await page.press("#dialog input[data-id='128']", "Enter");
  await waitCommand("--step 5");
  await page.check("#dialog input[data-id='134']");
  await waitCommand("--corner lower-right");
  check(await page.isChecked("#dialog input[data-id='134']") && !(await page.isChecked("#dialog input[data-id='131']")),
        "the corner's radio buttons follow the plug-in's radio group");

  await page.click("#dialog button[data-id='998']");
  await page.waitForFunction(() => document.querySelector("#result").textContent.startsWith("Test:"), null, { timeout: 120000 });
  await page.waitForFunction(() => { const i = document.querySelector("#preview"); return i.complete && i.naturalWidth > 0; });
  fs.mkdirSync(artefacts, { recursive: true });
  await page.screenshot({ path: path.join(artefacts, "studio_pagecurl.png"), fullPage: true });

  await page.click("#dialog button[data-id='1']");
  await page.waitForFunction(() => document.querySelector("#result").textContent.startsWith("OK:"), null, { timeout: 300000 });
  const [download] = await Promise.all([page.waitForEvent("download"), page.click("#download")]);
  const downloaded = fs.readFileSync(await download.path());
  const shown = await command();
  check(shown.includes("pagecurl sunrise.png 'sea at '\\''dusk'\\''.png' --step 5 --corner lower-right") &&
        shown.endsWith("-o pagecurl.gif"), "the command line names the pictures, the settings and the output: " + shown);
  const said = framesSaid(await page.textContent("#result"));
  const cli = await runCommand(shown, "pagecurl.gif");
  check(cli.status === 0, "the command line the page shows runs: " + cli.stderr.trim());
  check(gifFrames(downloaded) === framesSaid(cli.stderr) && said === gifFrames(downloaded) && said > 1,
        "the download decodes with the command line's frame count (" + gifFrames(downloaded) + ", " + framesSaid(cli.stderr) + ")");
  check(cli.bytes && Buffer.compare(cli.bytes, downloaded) === 0, "the download is the command line's file, byte for byte");

  // Pyrotechnics, the first rocket red.
  await page.click("nav button[data-effect=pyrotechnics]");
  await page.waitForFunction(() => document.querySelector("#dialogTitle").textContent === "Pyrotechnics");
  const rockets = await page.$("#dialog select[size]");
  const rocketList = await rockets.getAttribute("data-id");
  await page.selectOption(`#dialog select[data-id='${rocketList}']`, "0");
  await page.dblclick(`#dialog select[data-id='${rocketList}'] option >> nth=0`);
  await page.$eval("#colourPicker", el => { el.value = "#ff0000"; el.dispatchEvent(new Event("change")); });
  await waitCommand("--rocket 1=255,0,0");
  await page.selectOption("#format", "webp-quality");
  await waitCommand("--quality");
  await waitCommand("-o pyrotechnics.webp");
  await page.click("#dialog button[data-id='1']");
  await page.waitForFunction(() => document.querySelector("#result").textContent.startsWith("OK:"), null, { timeout: 300000 });
  const [pyroDownload] = await Promise.all([page.waitForEvent("download"), page.click("#download")]);
  const pyro = fs.readFileSync(await pyroDownload.path());
  const pyroCommand = await command();
  const pyroCli = await runCommand(pyroCommand, "pyrotechnics.webp");
  check(pyroCli.status === 0 && framesSaid(pyroCli.stderr) === framesSaid(await page.textContent("#result")),
        "Pyrotechnics: the page and " + pyroCommand + " make the same frame count");
  check(pyroCli.bytes && Buffer.compare(pyroCli.bytes, pyro) === 0 && pyro.subarray(8, 12).toString() === "WEBP",
        "Pyrotechnics: the WebP download is the command line's file, byte for byte");
  await page.screenshot({ path: path.join(artefacts, "studio_pyrotechnics.png"), fullPage: true });

  // Closing the tab during a build ends the build and removes the page's files.
  await page.click("nav button[data-effect=pagecurl]");
  await page.waitForFunction(() => document.querySelector("#dialogTitle").textContent === "Page Curl");
  await page.dispatchEvent("#drop", "drop", { dataTransfer: transfer });
  await page.waitForFunction(() => document.querySelectorAll("#dialog select[data-id='124'] option").length === 2);
  await page.click("#dialog button[data-id='1']");
  await page.waitForFunction(() => !document.querySelector("#stop").disabled);
  check(pageFiles().length > 0, "the page's pictures are kept while it is open");
  await page.close({ runBeforeUnload: false });
  let left = pageFiles();
  for (let i = 0; i < 100 && left.length; i++) { await new Promise(r => setTimeout(r, 100)); left = pageFiles(); }
  check(left.length === 0, "closing the tab removes its pictures and animations: " + left.join(", "));
} catch (e) {
  check(false, "the walk through the page ran to its end: " + e.stack);
} finally {
  await browser.close();
  studio.kill("SIGINT");
  fs.rmSync(work, { recursive: true, force: true });
}
process.exit(failures ? 1 : 0);
