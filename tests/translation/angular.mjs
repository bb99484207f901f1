// Reads XLIFF files the way an Angular application's translations are
// loaded (@angular/localize's Xliff1TranslationParser and
// Xliff2TranslationParser, as `localize-translate` uses them) and prints, as
// one JSON line a file, what the parser gives: the locale, every translation
// (its id, its text and its message parts and placeholder names exactly as
// the runtime gets them) and the parser's errors and warnings.
//
//   node tests/translation/angular.mjs FILE...
// TRANSLATION_MODULES   the node_modules that hold @angular/localize
//                       (default: .deps/translation/node_modules)
import { readFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..');
const modules = process.env.TRANSLATION_MODULES || join(root, '.deps', 'translation', 'node_modules');
const tools = await import(pathToFileURL(join(modules, '@angular', 'localize', 'tools', 'bundles', 'index.js')).href);
const parsers = [
  ['xliff1', new tools.Xliff1TranslationParser()],
  ['xliff2', new tools.Xliff2TranslationParser()],
];

// A diagnostic's message ends with the place in the file it is about, which
// moves when only the layout changes: the message alone is kept.
const message = (m) => String(m.message).split('\n')[0].replace(/\s*\(".*$/s, '').replace(/ at [^ ]*:\d+:\d+.*$/, '');

function read(file) {
  let contents;
  try {
    contents = readFileSync(file, 'utf8');
  } catch (e) {
    return { file, readable: false, reason: String(e.message) };
  }
  const refusals = [];
  for (const [name, parser] of parsers) {
    let analysis;
    try {
      analysis = parser.analyze(resolve(file), contents);
    } catch (e) {
      refusals.push(`${name}: ${e.message}`);
      continue;
    }
    if (!analysis.canParse) {
      refusals.push(`${name}: ${analysis.diagnostics.messages.map(message).join('; ')}`);
      continue;
    }
    let bundle;
    try {
      bundle = parser.parse(resolve(file), contents, analysis.hint);
    } catch (e) {
      return { file, readable: false, reason: `${name}: ${e.message}` };
    }
    const units = Object.entries(bundle.translations).map(([id, t]) => ({
      id,
      text: t.text,
      messageParts: [...t.messageParts],
      placeholderNames: [...t.placeholderNames],
    }));
    const diagnostics = bundle.diagnostics.messages.map((m) => `${m.type}: ${message(m)}`);
    return { file, readable: true, parser: name, locale: bundle.locale ?? null, units, diagnostics };
  }
  return { file, readable: false, reason: refusals.join(' | ') };
}

for (const file of process.argv.slice(2)) {
  process.stdout.write(JSON.stringify(read(file)) + '\n');
}
