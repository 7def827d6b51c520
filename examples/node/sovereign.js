#!/usr/bin/env node
// An example Sovereign: sells one voucher through pcQUIBA on the session bus and prints it here.
//
// usage: sovereign.js [--phone NUMBER] [--customer SCRIPT]   (see README.md beside the examples)
'use strict';

const dbus = require('dbus-next');
const { Message, Variant } = dbus;

const NAME = 'org.pcquiba.pcQUIBA';
const ROOT = '/org/pcquiba/pcQUIBA';
const SINK = '/sink';
const WIDTH = 40;

function parseOptions(argv) {
  const options = { phone: '0412345678', customer: null };
  for (let i = 0; i < argv.length; i += 2) {
    const value = argv[i + 1];
    if (argv[i] === '--phone' && value !== undefined) options.phone = value;
    else if (argv[i] === '--customer' && value !== undefined) options.customer = value;
    else {
      console.error('usage: sovereign.js [--phone NUMBER] [--customer SCRIPT]');
      process.exit(2);
    }
  }
  return options;
}

const options = parseOptions(process.argv.slice(2));
const bus = dbus.sessionBus();
const heard = new Map();   // event name -> its arguments, the last time it came
const waiters = [];        // [test, resolve] of those waiting for an event
const held = [];           // every object path pcQUIBA handed us, to release at the end
let slip = [];

// A value as pcQUIBA takes it: a variant of the automation value (docs/automation.md, "Values").
function wrap(value) {
  if (value instanceof Variant) return value;
  if (typeof value === 'boolean') return new Variant('b', value);
  if (Number.isInteger(value)) return new Variant('i', value);
  if (typeof value === 'number') return new Variant('d', value);
  if (Array.isArray(value)) return new Variant('av', value.map(wrap));
  return new Variant('s', String(value));
}

// The JavaScript value inside a variant pcQUIBA sent: `o` stays the path, tagged values keep
// their tag ("Empty", "Null", "Date", "Currency").
function unwrap(variant) {
  if (!(variant instanceof Variant)) return variant;
  if (variant.signature === 'av') return variant.value.map(unwrap);
  if (variant.signature === '(sv)') return { tag: variant.value[0], value: unwrap(variant.value[1]) };
  return variant.value;
}

function keep(value, signature) {
  if (signature === 'o' && value !== '/' && !held.includes(value)) held.push(value);
}

async function call(path, iface, member, args = [], signature = 'v'.repeat(args.length)) {
  const reply = await bus.call(new Message({ destination: NAME, path, interface: iface, member, signature, body: args }));
  const values = (reply.body || []).map((value) => {
    if (value instanceof Variant) keep(value.value, value.signature);
    return value;
  });
  return values.length ? unwrap(values[0]) : undefined;
}

const run = (path, cls, member, ...args) => call(path, 'org.pcquiba.' + cls, member, args.map(wrap));
const get = (path, cls, name) => call(path, 'org.freedesktop.DBus.Properties', 'Get', ['org.pcquiba.' + cls, name], 'ss');
const put = (path, cls, name, value) =>
  call(path, 'org.freedesktop.DBus.Properties', 'Set', ['org.pcquiba.' + cls, name, wrap(value)], 'ssv');

function until(test, seconds, what) {
  if (test()) return Promise.resolve();
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`pcQUIBA did not ${what} in time`)), seconds * 1000);
    waiters.push([test, () => { clearTimeout(timer); resolve(); }]);
  });
}

function align(text, alignment) {
  const room = Math.max(0, WIDTH - text.length);
  if (alignment.startsWith('c')) return ' '.repeat(Math.floor(room / 2)) + text;
  if (alignment.startsWith('r')) return ' '.repeat(room) + text;
  return text;
}

// An event: returns the by-reference values to hand back, in their order.
function onEvent(event, args) {
  heard.set(event, args);
  switch (event) {
    case 'GetData': {
      const [name, dataType, , , data] = args;
      console.log(`pcQUIBA asks for: ${name} ${args[3]}`);
      return dataType === 'PHONE' ? [wrap(options.phone), wrap(false)] : [wrap(data), wrap(true)];
    }
    case 'PrintVoucher': slip = []; break;
    case 'PrintText': {
      const [, , , , alignment, indent, data] = args;
      slip.push(align(' '.repeat(indent) + data, String(alignment).toLowerCase()));
      break;
    }
    case 'PrintLine': slip.push('-'.repeat(WIDTH)); break;
    case 'PrintCut': slip.push('- '.repeat(WIDTH / 2)); break;
    case 'PrintBarcode':
    case 'PrintImage': {
      const file = String(args[args.length - 1]).split('/').pop();
      slip.push(align(`[${event.slice(5).toLowerCase()}: ${file}]`, 'c'));
      break;
    }
    case 'PrintVoucherEnd':
      console.log(slip.map((line) => '| ' + line.slice(0, WIDTH).padEnd(WIDTH) + ' |').join('\n'));
      break;
    default:
      break;
  }
  return [];
}

// pcQUIBA's events are method calls on our sink object (interface org.pcquiba.APIEvents); they
// arrive while our own calls wait, so nothing here blocks the connection.
bus.addMethodHandler((message) => {
  if (message.path !== SINK || message.interface !== 'org.pcquiba.APIEvents') return false;
  const args = message.body.map((value) => {
    if (value instanceof Variant) keep(value.value, value.signature);
    return unwrap(value);
  });
  const back = onEvent(message.member, args);
  bus.send(Message.newMethodReturn(message, 'v'.repeat(back.length), back));
  for (const [test, resolve] of waiters.splice(0)) {
    if (test()) resolve();
    else waiters.push([test, resolve]);
  }
  return true;
});

async function sell() {
  const api = await run(ROOT, 'pcQUIBA', 'CreateAPI');  // the session bus starts pcQUIBA when needed
  await call(api, 'org.pcquiba.API', 'Advise', [SINK], 'o');
  for (let tries = 0; !(await get(api, 'API', 'IsReady')); ++tries) {
    if (tries > 600) throw new Error('pcQUIBA did not get ready in time');
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  const identity = [['SovereignName', 'Example Sovereign'], ['SovereignVersion', '1.0'], ['POSDeviceID', 'TILL-1'],
    ['POSOperatorID', 'OP-1'], ['POSReferenceID', `SALE-${process.pid}`], ['WellBehaved', true]];
  for (const [name, value] of identity) await put(api, 'API', name, value);
  if (!(await get(api, 'API', 'IsAssigned'))) console.log(await run(api, 'API', 'Assign3'));

  const basket = await run(api, 'API', 'Basket');
  const screen = await run(api, 'API', 'UserInterface');
  const settings = await run(api, 'API', 'Settings');
  if (options.customer) await run(settings, 'Settings', 'PutSetting', 'SIMULATOR', 'script', options.customer);
  await run(screen, 'UserInterface', 'Show');
  console.log('The customer chooses on the kiosk screen ...');
  await until(() => heard.has('ItemAdded') || heard.has('Surrender'), 600, 'hand the screen back');
  if (options.customer) await run(settings, 'Settings', 'EraseSetting', 'SIMULATOR', 'script');
  if (!(await get(basket, 'Basket', 'IsCommitted'))) {
    if (!heard.has('ItemAdded')) throw new Error(`No sale: ${heard.get('Surrender')[1]}`);
    await run(screen, 'UserInterface', 'Hide');  // the till takes the payment, then commits
    await run(basket, 'Basket', 'Commit');
  }
  await until(() => heard.has('BasketCommitted'), 120, 'commit the sale');
  const vouchers = await run(basket, 'Basket', 'Vouchers');
  await run(vouchers, 'Vouchers', 'RaisePrintEvents', true);  // each voucher as text, above
  await run(vouchers, 'Vouchers', 'PrintAll', true);          // and on pcQUIBA's own printer
  for (const path of [...held].reverse()) await call(path, undefined, 'Release');  // the API object last
  console.log(`Sold: ${heard.get('BasketCommitted')[0]} voucher(s)`);
}

sell().then(() => bus.disconnect(), (error) => {
  console.error(error.type ? `${error.type}: ${error.text}` : error.message);
  bus.disconnect();
  process.exitCode = 1;
});
