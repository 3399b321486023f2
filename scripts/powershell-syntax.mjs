// Parses the workflow's PowerShell: the scripts in scripts/windows/ and every
// step of .github/workflows/windows.yml that runs in pwsh, with the
// PowerShell grammar of tree-sitter, as WebAssembly (no pwsh needed). Prints
// each syntax error with its file and line, and exits non-zero on any.
//   node scripts/powershell-syntax.mjs
import { readFileSync, readdirSync } from 'node:fs';
import { dirname, join, relative } from 'node:path';
import { fileURLToPath } from 'node:url';
import { setFlagsFromString } from 'node:v8';
import { Language, Parser } from 'web-tree-sitter';
import { parseDocument } from 'yaml';

const root = dirname(dirname(fileURLToPath(import.meta.url)));
// V8's baseline compiler alone: its optimising one takes some 15 seconds
// over the grammar, which the few lines here never repay.
setFlagsFromString('--liftoff-only');
await Parser.init();
const parser = new Parser();
parser.setLanguage(await Language.load(join(root, 'node_modules/tree-sitter-powershell/tree-sitter-powershell.wasm')));

// The pieces to parse: each with its name, its text and the line of the file
// it starts on.
const pieces = [];
const scripts = join(root, 'scripts/windows');
for (const name of readdirSync(scripts).filter((name) => name.endsWith('.ps1')))
  pieces.push({ name: relative(root, join(scripts, name)), text: readFileSync(join(scripts, name), 'utf8'), line: 1 });
const workflowFile = join(root, '.github/workflows/windows.yml');
const workflowText = readFileSync(workflowFile, 'utf8');
const document = parseDocument(workflowText);
const workflow = document.toJS();
for (const [id, job] of Object.entries(workflow.jobs)) {
  // A step's shell is its own, else the job's or the workflow's default,
  // else the runner's: pwsh on Windows. A runner named by an expression
  // needs a default shell: which it is cannot be told here.
  const shell = job.defaults?.run?.shell ?? workflow.defaults?.run?.shell;
  const runner = String(job['runs-on']);
  for (const [index, step] of (job.steps ?? []).entries()) {
    if (step.run === undefined) continue;
    const name = `.github/workflows/windows.yml, job ${id}, step ${step.name ?? index + 1}`;
    if (!(step.shell ?? shell) && runner.includes('${{')) {
      console.log(`${name}: no shell is given and the runner is an expression.`);
      process.exitCode = 1;
    }
    if ((step.shell ?? shell ?? (runner.startsWith('windows') ? 'pwsh' : 'bash')) !== 'pwsh') continue;
    // GitHub replaces each ${{ }} expression before pwsh reads the text; any
    // word stands in for it here. A block's text starts on the line after
    // its "run: |".
    const node = document.getIn(['jobs', id, 'steps', index, 'run'], true);
    let line = workflowText.slice(0, node.range[0]).split('\n').length;
    if (node.type === 'BLOCK_LITERAL' || node.type === 'BLOCK_FOLDED') line++;
    pieces.push({ name, text: step.run.replace(/\$\{\{[^}]*\}\}/g, 'expression'), line });
  }
}

// tree-sitter marks what it cannot parse as ERROR nodes and what it had to
// assume as MISSING ones; both are syntax errors to PowerShell. Its grammar
// also refuses two forms PowerShell takes, which the scripts avoid: an
// unquoted argument such as -DNAME=VALUE (quote it: "-DNAME=VALUE") and a
// script started by its path alone (start it with &: & ./script.ps1).
function errors(node, found = []) {
  if (node.isError || node.isMissing) found.push(node);
  else if (node.hasError) for (const child of node.children) errors(child, found);
  return found;
}
for (const piece of pieces) {
  for (const node of errors(parser.parse(piece.text).rootNode)) {
    const { row, column } = node.startPosition;
    const what = node.isMissing ? `missing ${node.type}` : `cannot parse "${node.text.split('\n')[0].slice(0, 60)}"`;
    console.log(`${piece.name}: line ${piece.line + row}, column ${column + 1}: ${what}`);
    process.exitCode = 1;
  }
}
console.log(`${pieces.length} PowerShell scripts and steps parsed.`);
