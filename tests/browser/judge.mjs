// Tells whether two documents look the same in a browser: headless Chromium,
// driven by puppeteer-core, renders each one and the two renderings are
// compared by the text a reader sees and by a screenshot of the whole page.
//
//   node tests/browser/judge.mjs [--findings DIR] <PAIRS
//
// Each line of standard input is BEFORE<TAB>AFTER<TAB>LABEL: two file names
// (absolute, or relative to the current folder) and a name for the pair.
// The browser reads each file as its name says: a .html file with its HTML
// parser, a .xhtml file with its XML parser. For every pair one line is
// printed, in the order of the input:
//   same LABEL                    the same text and the same pixels
//   text LABEL: ...               the text differs (the pixels may too)
//   pixels LABEL: ...             the same text, other pixels
//   unstable LABEL: ...           BEFORE itself renders differently from one
//                                 time to the next: only its text could be
//                                 compared, and it is the same (or changes
//                                 too)
//   notxml LABEL: ...             read as XML, BEFORE shows no XHTML page
//                                 (the browser's XML error page, or its
//                                 tree view of XML source): nothing compared
//   error LABEL: ...              a file could not be rendered
// For "text" and "pixels" the screenshots and texts of both files are kept
// in DIR/LABEL (the label made a folder name): before.png, after.png,
// before.txt, after.txt. DIR is --findings, else $BROWSER_FINDINGS, else a
// new temporary folder named on standard error.
//
// The screenshots are 1024 px wide (or as wide as the content) and as tall
// as the content, but at most JUDGE_MAX_HEIGHT px (default 16384): below
// that only the text and the page's size are compared. A pair is judged by
// rendering BEFORE and AFTER, and when they differ each once more: a
// difference that does not show again is no difference.
//
// Environment: CHROMIUM (default /usr/bin/chromium), JUDGE_JOBS (pages
// rendered at once, default 2), JUDGE_TIMEOUT (seconds for one page to load,
// default 30), JUDGE_MAX_HEIGHT, JUDGE_NODE_MODULES (where puppeteer-core is
// installed, default the repository's .deps/browser/node_modules). A line on
// standard error tells the time taken.
//
// Exit status: 0 when every line was judged (whatever the result), 2 on a
// usage error or when the browser cannot be started.

import { createRequire } from 'node:module';
import { mkdtempSync, mkdirSync, rmSync, writeFileSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { inflateSync } from 'node:zlib';
import { join, resolve } from 'node:path';
import { pathToFileURL, fileURLToPath } from 'node:url';

// puppeteer-core is installed for the repository, not globally: see
// scripts/setup.sh. No browser comes with it; Debian's chromium is driven.
const modules = process.env.JUDGE_NODE_MODULES
    || fileURLToPath(new URL('../../.deps/browser/node_modules/', import.meta.url));
let puppeteer;
try {
    puppeteer = createRequire(join(modules, 'judge.cjs'))('puppeteer-core');
} catch (error) {
    process.stderr.write(`judge.mjs: puppeteer-core is not installed in ${modules}: ${error.message.split('\n')[0]}\n`);
    process.exit(2);
}

const WIDTH = 1024, HEIGHT = 768;
const JOBS = Math.max(1, Number(process.env.JUDGE_JOBS) || 2);
const TIMEOUT = 1000 * (Number(process.env.JUDGE_TIMEOUT) || 30);
const MAX_HEIGHT = Number(process.env.JUDGE_MAX_HEIGHT) || 16384;

function usage(message) {
    process.stderr.write(`judge.mjs: ${message}\nusage: node judge.mjs [--findings DIR] <PAIRS\n`);
    process.exit(2);
}

let findings = process.env.BROWSER_FINDINGS || '';
const args = process.argv.slice(2);
while (args.length) {
    const arg = args.shift();
    if (arg === '--findings' && args.length) findings = args.shift();
    else usage(`unknown argument ${arg}`);
}
if (!findings) {
    findings = mkdtempSync(join(tmpdir(), 'browser-findings.'));
    process.stderr.write(`judge.mjs: findings are kept in ${findings}\n`);
}

const pairs = [];
for (const line of readFileSync(0, 'utf8').split('\n')) {
    if (line === '') continue;
    const [before, after, label] = line.split('\t');
    if (!before || !after || !label) usage(`a line is not BEFORE<TAB>AFTER<TAB>LABEL: ${line}`);
    pairs.push({ before: resolve(before), after: resolve(after), label });
}

// A profile of its own, removed at the end: nothing of an earlier run (cache,
// storage) can change what a page shows. The flags keep Chromium from
// reaching out to the network on its own (there is none here; without them
// it keeps trying) and from any first-run screen.
const profile = mkdtempSync(join(tmpdir(), 'browser-judge-profile.'));
process.on('exit', () => rmSync(profile, { recursive: true, force: true }));
let browser;
try {
    browser = await puppeteer.launch({
        executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
        headless: true,
        args: [
            '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            `--user-data-dir=${profile}`,
        ],
        protocolTimeout: 4 * TIMEOUT,
    });
} catch (error) {
    process.stderr.write(`judge.mjs: cannot start the browser: ${error.message}\n`);
    process.exit(2);
}

// Each worker renders its files one after the other in a page of its own,
// in a browser context of its own (a new page costs more than the render).
// All file: pages share one origin; its storage is emptied before every
// file, so that what a script stored while one file was shown is not seen
// by the next.
async function newTab() {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    await page.setViewport({ width: WIDTH, height: HEIGHT, deviceScaleFactor: 1 });
    // Only local files load (and data: URLs, which are in the page itself);
    // anything else fails at once instead of waiting for a network that is
    // not there. The page stays the file that was opened: a move elsewhere
    // (a redirect by <meta http-equiv="refresh"> or by a script) is answered
    // "204 No Content", on which a browser stays where it is.
    const tab = { context, page, file: '' };
    await page.setRequestInterception(true);
    page.on('request', (request) => {
        const url = request.url();
        if (request.isNavigationRequest() && request.frame() === page.mainFrame() && url !== tab.file) {
            request.respond({ status: 204 });
        } else if (url.startsWith('file:') || url.startsWith('data:')) request.continue();
        else request.abort('blockedbyclient');
    });
    // An alert would stop the page; a "leave this page?" question would keep
    // it from going on to the next file.
    page.on('dialog', (dialog) => {
        (dialog.type() === 'beforeunload' ? dialog.accept() : dialog.dismiss()).catch(() => {});
    });
    tab.cdp = await page.createCDPSession();
    return tab;
}

async function render(tab, file) {
    renders++;
    await tab.cdp.send('Storage.clearDataForOrigin', { origin: 'file://', storageTypes: 'all' });
    tab.file = pathToFileURL(file).href;
    await tab.page.goto(tab.file, { waitUntil: 'load', timeout: TIMEOUT });
    const seen = await tab.page.evaluate(settle);
    // The whole page, as wide and as tall as its content, but no taller than
    // MAX_HEIGHT: a screenshot costs time in proportion to its height.
    const { cssContentSize: content } = await tab.cdp.send('Page.getLayoutMetrics');
    const width = Math.ceil(content.width), height = Math.ceil(content.height);
    const png = await tab.page.screenshot({
        type: 'png',
        clip: { x: 0, y: 0, width, height: Math.min(height, MAX_HEIGHT) },
        captureBeyondViewport: true,
        optimizeForSpeed: true,
    });
    return { ...seen, size: `${width}x${height}`, height, png: Buffer.from(png) };
}

// Runs in the page once it has loaded: makes images that would load only
// when scrolled to load now, waits for them and for the fonts, stops what
// moves (animations, transitions, a blinking caret), lets the page paint,
// and returns what a reader sees as text.
async function settle() {
    const later = (ms) => new Promise((done) => setTimeout(done, ms));
    for (const image of document.images) if (image.loading === 'lazy') image.loading = 'eager';
    await Promise.race([
        Promise.all([document.fonts.ready, ...[...document.images].map((image) => image.decode().catch(() => {}))]),
        later(5000),
    ]);
    const still = new CSSStyleSheet();
    still.replaceSync('*, *::before, *::after { animation: none !important;'
        + ' transition: none !important; caret-color: transparent !important; }');
    document.adoptedStyleSheets = [...document.adoptedStyleSheets, still];
    await Promise.race([
        new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))),
        later(1000),
    ]);
    // Read as XML, a document that is not well-formed shows a parsererror
    // element with the message above what was read up to the error; one
    // that is not XHTML (nor has a style sheet) is shown as a tree of its
    // source by the browser's XML viewer.
    const error = document.getElementsByTagNameNS('*', 'parsererror')[0];
    const message = error && (error.getElementsByTagNameNS('*', 'div')[0] || error);
    const viewer = document.getElementById('webkit-xml-viewer-source-xml');
    const root = document.body || document.documentElement;
    const text = root ? (root.innerText ?? root.textContent) : '';
    return {
        text: `title: ${document.title}\n${text}`,
        xmlError: error ? message.textContent.replace(/\s+/g, ' ').trim()
            : viewer ? 'not XHTML: the browser shows the XML source as a tree' : '',
    };
}

// The rows of a PNG image as they are stored: each one filtered, so rows
// that hold the same pixels are stored alike as long as the rows above them
// are alike too. That is enough to tell from which row two screenshots of
// the same width differ (the screenshots come from one encoder).
function storedRows(png) {
    const width = png.readUInt32BE(16), depth = png[24], colour = png[25];
    const perPixel = { 0: 1, 2: 3, 4: 2, 6: 4 }[colour] * (depth / 8);
    const data = [];
    for (let at = 8; at < png.length; ) {
        const length = png.readUInt32BE(at), type = png.toString('latin1', at + 4, at + 8);
        if (type === 'IDAT') data.push(png.subarray(at + 8, at + 8 + length));
        at += 12 + length;
    }
    const raw = inflateSync(Buffer.concat(data)), stride = 1 + width * perPixel;
    const rows = [];
    for (let at = 0; at + stride <= raw.length; at += stride) rows.push(raw.subarray(at, at + stride));
    return rows;
}

// Where two screenshots differ: "from y=A to y=B", as near as the stored
// rows tell (the last row can be one too low).
function whereDifferent(a, b) {
    if (a.readUInt32BE(16) !== b.readUInt32BE(16)) return 'other widths';
    const x = storedRows(a), y = storedRows(b);
    let top = 0;
    while (top < x.length && top < y.length && x[top].equals(y[top])) top++;
    if (top === x.length && top === y.length) return `the top ${top} px alike`;
    if (x.length !== y.length) return `from y=${top} on`;
    let bottom = x.length - 1;
    while (bottom > top && x[bottom].equals(y[bottom])) bottom--;
    return `from y=${top} to y=${bottom}`;
}

const keptNames = new Set();
function keep(pair, before, after) {
    let name = pair.label.replace(/[^\w.-]+/g, '_');
    while (keptNames.has(name)) name += '+';
    keptNames.add(name);
    const folder = join(findings, name);
    mkdirSync(folder, { recursive: true });
    writeFileSync(join(folder, 'before.png'), before.png);
    writeFileSync(join(folder, 'after.png'), after.png);
    writeFileSync(join(folder, 'before.txt'), before.text);
    writeFileSync(join(folder, 'after.txt'), after.text);
    return folder;
}

// The first line on which two texts differ, shortened, for the result line.
function firstDifference(a, b) {
    const x = a.split('\n'), y = b.split('\n');
    let i = 0;
    while (i < x.length && i < y.length && x[i] === y[i]) i++;
    const show = (s) => JSON.stringify(s === undefined ? '(end)' : s.slice(0, 60));
    return `line ${i + 1}: ${show(x[i])} became ${show(y[i])}`;
}

async function judge(tab, pair) {
    const before = await render(tab, pair.before);
    if (before.xmlError) return `notxml ${pair.label}: ${before.xmlError.slice(0, 200)}`;
    const after = await render(tab, pair.after);
    const sameText = before.text === after.text;
    const samePixels = before.size === after.size && before.png.equals(after.png);
    if (sameText && samePixels) return `same ${pair.label}`;
    // Something differs. Whether it is the change of file or the page itself
    // (an animation the style sheet did not stop, a script that shows the
    // time or random numbers) tells a second rendering of BEFORE: made after
    // AFTER's, it also sees what changes with time.
    // On a loaded machine an image or a font may come late to one
    // rendering: a difference counts only when both files show it twice.
    const alike = (x, y) => x.text === y.text && x.size === y.size && x.png.equals(y.png);
    const again = await render(tab, pair.before);
    if (alike(again, after)) return `same ${pair.label}`;
    const stableText = again.text === before.text;
    const stablePixels = again.size === before.size && again.png.equals(before.png);
    if (stableText && stablePixels && alike(await render(tab, pair.after), before)) return `same ${pair.label}`;
    const cut = before.height > MAX_HEIGHT ? ` (only the top ${MAX_HEIGHT} px compared)` : '';
    if (!sameText && stableText) {
        const why = after.xmlError ? `the output shows the XML error page: ${after.xmlError.slice(0, 120)}`
            : firstDifference(before.text, after.text);
        return `text ${pair.label}: ${why}; kept in ${keep(pair, before, after)}`;
    }
    if (!stableText) return `unstable ${pair.label}: its text changes too, nothing could be compared`;
    if (!stablePixels) return `unstable ${pair.label}: its text is the same`;
    const sizes = before.size === after.size ? before.size : `${before.size} became ${after.size}`;
    const where = `${sizes}, ${whereDifferent(before.png, after.png)}${cut}`;
    return `pixels ${pair.label}: ${where}; kept in ${keep(pair, before, after)}`;
}

// A few workers at once (on 2 cores the browser, the pages and the
// screenshots share them); results are printed in the order of the input
// all the same. A worker whose page failed (a time-out, a crash) goes on
// with a new one.
const results = new Array(pairs.length);
let next = 0, printed = 0, renders = 0;
const started = performance.now();
async function worker() {
    let tab = null;
    while (next < pairs.length) {
        const i = next++;
        try {
            tab ??= await newTab();
            results[i] = await judge(tab, pairs[i]);
        } catch (error) {
            results[i] = `error ${pairs[i].label}: ${String(error.message).split('\n')[0]}`;
            if (tab) await tab.context.close().catch(() => {});
            tab = null;
        }
        while (printed < results.length && results[printed] !== undefined) {
            process.stdout.write(`${results[printed++]}\n`);
        }
    }
    if (tab) await tab.context.close().catch(() => {});
}
try {
    await Promise.all(Array.from({ length: JOBS }, worker));
    const seconds = (performance.now() - started) / 1000;
    process.stderr.write(`judge.mjs: ${pairs.length} pairs, ${renders} renderings in ${seconds.toFixed(1)} s`
        + ` (${(seconds / Math.max(renders, 1)).toFixed(2)} s each, ${JOBS} at once)\n`);
} finally {
    await browser.close();
}
