// The album as a visitor sees it. korvo2-album writes an album in every output mode from
// pictures and a project file made here (umlauts in the title, the category names, the captions
// and a picture's file name; own picture folders in one mode), and headless Chromium opens the
// index, a gallery and a details page: every picture must load at the size the page declares,
// every link must lead to an existing file and anchor, and the texts must come out right from
// the pages' windows-1250.
//
// The same album in the modern layout (own picture folders, one with an umlaut) is opened at a
// desktop and a phone size, light and dark, with keys, swipes and at device scale factor 2, and
// axe-core checks its three kinds of page against WCAG 2.1 A and AA.
//
// Environment: KORVO2_ALBUM and KORVO2_ALBUM_PICTURES name the programs (CTest sets them),
// KORVO2_CHROMIUM the browser (default /usr/bin/chromium), KORVO2_BROWSER_SCREENSHOTS a folder
// for pictures of the three pages of the full album (optional).

import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath, pathToFileURL } from 'node:url';

const { chromium } = await import('playwright-core').catch(() => {
    throw new Error('playwright-core is missing: run "npm ci" in tests/browser');
});

const albumTool = process.env.KORVO2_ALBUM;
const picturesTool = process.env.KORVO2_ALBUM_PICTURES;
const browserPath = process.env.KORVO2_CHROMIUM || '/usr/bin/chromium';
const screenshots = process.env.KORVO2_BROWSER_SCREENSHOTS;

// windows-1250 holds all of these, Ł, ź, the dash and the quotes included, but Latin-1 does not:
// a page written or read in the wrong encoding shows different text.
const Title = 'Sommerfest in Göttingen & Łódź: Äpfel, Öl, Übermut <2024>';
const SeaCategory = 'Grüße vom Meer';
const MountainCategory = 'Berge & Täler';
const BeachCaption = 'Dünen "am Abend" – Ostsee';
const PeakCaption = 'Gipfel über Österreich';

// Album order: the uncategorised picture first (no heading), then the categories in order; the
// switched-off picture is left out. Pictures without a caption show their file name.
const Shown = ['Hafen', BeachCaption, 'Straße', PeakCaption];
const Numbers = ['001', '002', '003', '004'];

const Modes = {
    NoHTML: { pages: false, thumbnails: false },
    ThumbsOnly: { pages: false, thumbnails: true },
    IndexOnly: { index: true, thumbnails: true },
    WithGallery: { index: true, gallery: true, thumbnails: true, previewDir: 'Vorschau', thumbDir: 'Übersicht' },
    WithDetails: { index: true, gallery: true, details: true, thumbnails: true },
};

// The modern album: the same project, every page kind, own folders for both kinds of picture.
const Modern = { dir: 'Modern', previewDir: 'Vorschau', thumbDir: 'Übersicht' };
const Sizes = [{ width: 1280, height: 800 }, { width: 390, height: 844 }];
const axeScript = createRequire(import.meta.url).resolve('axe-core/axe.min.js');

let work;
let profile;
let browser;

function escapeMarkup(text) {
    return text.replaceAll('&', '&amp;').replaceAll('"', '&quot;').replaceAll('<', '&lt;').replaceAll('>', '&gt;');
}

function projectText(pictures) {
    const image = (name, caption, active = 'yes', rotate = '0') =>
        `   <Image Source="${escapeMarkup(path.join(pictures, name))}" Active="${active}" Rotate="${rotate}"` +
        ` Caption="${escapeMarkup(caption)}"/>`;
    return [
        '<Korvo2Project Version="2.0.1.1">',
        ' <Configuration>',
        '  <Output Mode="WithDetails" ThumbsPerLine="2" UncategorizedImages="AtStart" FullWidth="no"/>',
        ' </Configuration>',
        ' <ImageList Count="5">',
        '  <Category>',
        image('Hafen.bmp', ''),
        '  </Category>',
        `  <Category Name="${escapeMarkup(SeaCategory)}">`,
        image('Strand.jpg', BeachCaption),
        image('Straße.jpg', ''),
        '  </Category>',
        `  <Category Name="${escapeMarkup(MountainCategory)}">`,
        image('Gipfel.jpg', PeakCaption, 'yes', '90CW'),
        image('Wiese.jpg', 'ausgeschaltet', 'no'),
        '  </Category>',
        ' </ImageList>',
        '</Korvo2Project>',
        '',
    ].join('\r\n');
}

function albumFolder(mode) {
    return path.join(work, 'albums', mode);
}

function filesBelow(folder) {
    return fs.readdirSync(folder, { recursive: true })
        .filter((name) => fs.statSync(path.join(folder, name)).isFile())
        .map((name) => name.split(path.sep).join('/'))
        .sort();
}

function expectedFiles(mode) {
    const settings = Modes[mode];
    // The run's hidden record of the files it wrote lies beside them.
    const files = ['.korvo2-album'];
    for (const number of Numbers) {
        files.push(`${settings.previewDir ? settings.previewDir + '/' : ''}image${number}.jpg`);
        if (settings.thumbnails)
            files.push(`${settings.thumbDir ? settings.thumbDir + '/' : ''}thumb${number}.jpg`);
        if (settings.gallery)
            files.push(`image${number}.htm`);
        if (settings.details)
            files.push(`iinfo${number}.htm`);
    }
    if (settings.index)
        files.push('index.htm');
    return files.sort();
}

function pageUrl(mode, name) {
    return pathToFileURL(path.join(albumFolder(mode), name)).href;
}

before(async () => {
    assert.ok(albumTool && picturesTool, 'KORVO2_ALBUM and KORVO2_ALBUM_PICTURES must name the programs');
    assert.ok(fs.existsSync(browserPath), `no browser at ${browserPath} (Debian package chromium)`);
    work = fs.mkdtempSync(path.join(os.tmpdir(), 'korvo-browser-'));
    const pictures = path.join(work, 'Bilder');
    fs.mkdirSync(pictures);
    execFileSync(picturesTool, [pictures]);
    const project = path.join(work, 'Urlaub.kv2');
    fs.writeFileSync(project, projectText(pictures));

    for (const [mode, settings] of Object.entries(Modes)) {
        const args = [project, '--dest', albumFolder(mode), '--title', Title, '--mode', mode];
        for (const [kind, folder] of [['Preview', settings.previewDir], ['Thumbnails', settings.thumbDir]])
            if (folder)
                args.push('--set', `FileNames.${kind}.UseOwnDirectory=yes`, '--set', `FileNames.${kind}.OwnDirectory=${folder}`);
        // Own picture folders are made one level deep only, so the album folder must exist.
        fs.mkdirSync(albumFolder(mode), { recursive: true });
        try {
            execFileSync(albumTool, args, { stdio: 'pipe', encoding: 'utf8' });
        } catch (error) {
            throw new Error(`korvo2-album failed for ${mode} (exit ${error.status}):\n${error.stdout}${error.stderr}`);
        }
    }

    const modernArgs = [project, '--dest', albumFolder(Modern.dir), '--title', Title, '--layout', 'modern'];
    for (const [kind, folder] of [['Preview', Modern.previewDir], ['Thumbnails', Modern.thumbDir]])
        modernArgs.push('--set', `FileNames.${kind}.UseOwnDirectory=yes`, '--set', `FileNames.${kind}.OwnDirectory=${folder}`);
    fs.mkdirSync(albumFolder(Modern.dir), { recursive: true });
    execFileSync(albumTool, modernArgs, { stdio: 'pipe', encoding: 'utf8' });

    profile = fs.mkdtempSync(path.join(os.tmpdir(), 'korvo-chromium-'));
    browser = await chromium.launchPersistentContext(profile, {
        executablePath: browserPath,
        headless: true,
        viewport: { width: 1000, height: 760 },
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
});

after(async () => {
    await browser?.close();
    for (const folder of [profile, work])
        if (folder)
            fs.rmSync(folder, { recursive: true, force: true });
});

// The names of a page's anchors (name and id), read by the browser itself.
const anchorCache = new Map();
async function anchorsOf(url) {
    if (!anchorCache.has(url)) {
        const page = await browser.newPage();
        await page.goto(url);
        anchorCache.set(url, await page.evaluate(() =>
            [...document.querySelectorAll('a[name], [id]')].map((element) => element.name || element.id)));
        await page.close();
    }
    return anchorCache.get(url);
}

// Opens a page and checks what holds for every album page: the encoding, every picture loaded at
// its declared size, every link to an existing file (and anchor). Gives the page and its links.
// A modern page is opened at `viewport`, scrolled through so that its lazy pictures load.
async function openPage(url, { charset = 'windows-1250', viewport, context = browser } = {}) {
    const page = await context.newPage();
    if (viewport)
        await page.setViewportSize(viewport);
    const response = await page.goto(url, { waitUntil: 'load' });
    assert.ok(response === null || response.ok(), `${url} did not load`);
    assert.equal(await page.evaluate(() => document.characterSet), charset, url);
    if (viewport) {
        await page.evaluate(() => window.scrollTo(0, document.body.scrollHeight));
        await page.waitForFunction(() => [...document.images].every((image) => image.complete));
        await page.evaluate(() => window.scrollTo(0, 0));
    }

    const images = await page.evaluate(() => [...document.images].map((image) => ({
        src: image.src, source: image.getAttribute('src'), complete: image.complete, naturalWidth: image.naturalWidth,
        naturalHeight: image.naturalHeight, width: image.getAttribute('width'), height: image.getAttribute('height'),
    })));
    for (const image of images) {
        assert.ok(image.complete && image.naturalWidth > 0, `picture ${image.src} on ${url} did not load`);
        assert.deepEqual([image.naturalWidth, image.naturalHeight], [Number(image.width), Number(image.height)],
            `picture ${image.src} on ${url} differs from the size the page declares`);
    }

    const links = await page.evaluate(() => [...document.querySelectorAll('a[href]')].map((link) => ({
        href: link.getAttribute('href'), url: link.href, text: link.innerText,
    })));
    for (const link of links) {
        const target = new URL(link.url);
        assert.equal(target.protocol, 'file:', `${link.href} on ${url} leaves the album`);
        assert.ok(fs.existsSync(fileURLToPath(target)), `${link.href} on ${url} leads to a missing file`);
        if (target.hash) {
            const anchor = decodeURIComponent(target.hash.slice(1));
            target.hash = '';
            assert.ok((await anchorsOf(target.href)).includes(anchor), `${link.href} on ${url} leads to a missing anchor`);
        }
    }
    return { page, images, links };
}

async function screenshot(page, name) {
    if (!screenshots)
        return;
    fs.mkdirSync(screenshots, { recursive: true });
    await page.screenshot({ path: path.join(screenshots, name), fullPage: true });
}

for (const mode of Object.keys(Modes)) {
    test(`${mode}: the album holds the files of its mode`, () => {
        assert.deepEqual(filesBelow(albumFolder(mode)), expectedFiles(mode));
    });
}

for (const mode of ['IndexOnly', 'WithGallery', 'WithDetails']) {
    const settings = Modes[mode];
    test(`${mode}: the index shows every picture under its category, in windows-1250`, async () => {
        const { page, images, links } = await openPage(pageUrl(mode, 'index.htm'));
        assert.equal(await page.title(), Title);
        assert.equal(await page.locator('h1').innerText(), Title);
        assert.deepEqual(await page.locator('h2').allInnerTexts(), [SeaCategory, MountainCategory]);
        assert.deepEqual(await page.locator('img').evaluateAll((all) => all.map((image) => image.title)), Shown);
        assert.deepEqual(await page.locator('img').evaluateAll((all) => all.map((image) => image.alt)), Shown);

        const thumbs = settings.thumbDir ? settings.thumbDir + '/' : '';
        assert.deepEqual(images.map((image) => image.source), Numbers.map((number) => `${thumbs}thumb${number}.jpg`));
        const previews = settings.previewDir ? settings.previewDir + '/' : '';
        assert.deepEqual(links.map((link) => link.href),
            Numbers.map((number) => settings.gallery ? `image${number}.htm` : `${previews}image${number}.jpg`));
        const anchors = await page.evaluate(() => [...document.querySelectorAll('a[name]')].map((a) => a.name));
        assert.deepEqual(anchors, settings.gallery ? Numbers : []);
        if (mode === 'WithDetails')
            await screenshot(page, 'index.png');
        await page.close();
    });
}

for (const mode of ['WithGallery', 'WithDetails']) {
    const settings = Modes[mode];
    test(`${mode}: a gallery page leads to its neighbours, its details and its place on the index`, async () => {
        const { page, links } = await openPage(pageUrl(mode, 'image002.htm'));
        assert.equal(await page.title(), BeachCaption);
        assert.equal(await page.locator('th').innerText(), BeachCaption);
        const expected = [['<< Zurück', 'image001.htm'], ['Weiter >>', 'image003.htm'], ['<- Index', 'index.htm#002']];
        if (settings.details)
            expected.push(['Details ->', 'iinfo002.htm']);
        assert.deepEqual(links.map((link) => [link.text.trim(), link.href]), expected);
        const preview = await page.locator('img').getAttribute('src');
        assert.equal(preview, `${settings.previewDir ? settings.previewDir + '/' : ''}image002.jpg`);
        if (mode === 'WithDetails')
            await screenshot(page, 'gallery.png');

        // Following "<- Index" lands on the picture's anchor of the index page.
        await page.getByText('<- Index').click();
        await page.waitForURL(/index\.htm#002$/);
        assert.equal(await page.evaluate(() => document.getElementsByName(location.hash.slice(1)).length), 1);
        await page.close();

        // A picture without a caption is headed by its file name, umlaut and all.
        const unnamed = await openPage(pageUrl(mode, 'image003.htm'));
        assert.equal(await unnamed.page.locator('th').innerText(), 'Straße');
        assert.equal(await unnamed.page.title(), '');
        await unnamed.page.close();
    });
}

test('WithDetails: a details page shows the EXIF data beside the picture', async () => {
    const { page, links } = await openPage(pageUrl('WithDetails', 'iinfo002.htm'));
    assert.equal(await page.locator('th').innerText(), BeachCaption);
    assert.deepEqual(links.map((link) => [link.text.trim(), link.href]), [['<< Zurück', 'iinfo001.htm'],
        ['Weiter >>', 'iinfo003.htm'], ['<- Index', 'index.htm#002'], ['Details <-', 'image002.htm']]);
    const rows = await page.locator('td[rowspan] tr').evaluateAll(
        (all) => all.map((row) => [...row.cells].map((cell) => cell.innerText.replace(/\u00a0/g, ' ').trim())));
    assert.deepEqual(rows, [['ImageDescription', 'Dünen bei Sonnenuntergang'], ['Make', 'Korvo'],
        ['Model', 'Testkamera 1'], ['ExposureTime', '1/250 s'], ['FNumber', 'F5.6'],
        ['DateTimeOriginal', '2024:07:14 18:30:00']]);
    await screenshot(page, 'details.png');
    await page.close();

    // A BMP has no EXIF data: its details page is complete with an empty table.
    const bitmap = await openPage(pageUrl('WithDetails', 'iinfo001.htm'));
    assert.equal(await bitmap.page.locator('td[rowspan] tr').count(), 0);
    assert.equal(await bitmap.page.locator('th').innerText(), 'Hafen');
    await bitmap.page.close();
});

function modernUrl(name) {
    return pageUrl(Modern.dir, name);
}

test('Modern: the album adds HiDPI twins, a style sheet and a script to the files of its mode', () => {
    const files = expectedFiles('WithDetails').map((name) => name.replace(/^(image\d+\.jpg)$/, `${Modern.previewDir}/$1`)
        .replace(/^(thumb\d+\.jpg)$/, `${Modern.thumbDir}/$1`));
    for (const number of Numbers)
        files.push(`${Modern.previewDir}/image${number}@2x.jpg`, `${Modern.thumbDir}/thumb${number}@2x.jpg`);
    files.push('album.css', 'album.js');
    assert.deepEqual(filesBelow(albumFolder(Modern.dir)), files.sort());
});

for (const size of Sizes) {
    const label = `${size.width}x${size.height}`;
    test(`Modern at ${label}: every page fits the width, loads its pictures and links and passes axe`, async () => {
        for (const [name, kind] of [['index.htm', 'index'], ['image002.htm', 'gallery'], ['iinfo002.htm', 'details']]) {
            for (const colorScheme of ['light', 'dark']) {
                const { page } = await openPage(modernUrl(name), { charset: 'UTF-8', viewport: size });
                await page.emulateMedia({ colorScheme });
                if (kind === 'index')
                    assert.deepEqual(await page.locator('.caption').allInnerTexts(), Shown);
                const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
                assert.ok(overflow <= 0, `${name} at ${label} scrolls sideways by ${overflow} pixels`);
                await page.addScriptTag({ path: axeScript });
                const violations = await page.evaluate(async () => (await window.axe.run(document, {
                    runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] },
                })).violations.map((v) => `${v.id}: ${v.nodes.map((node) => node.target.join(' ')).join(', ')}`));
                assert.deepEqual(violations, [], `${name} at ${label}, ${colorScheme}`);
                await screenshot(page, `modern-${kind}-${label}${colorScheme === 'dark' ? '-dark' : ''}.png`);
                await page.close();
            }
        }
    });
}

test('Modern: keys and swipes lead through the pictures, Escape back to the index', async () => {
    const { page, links } = await openPage(modernUrl('image002.htm'), { charset: 'UTF-8', viewport: Sizes[1] });
    assert.deepEqual(links.map((link) => [link.text.trim(), link.href]), [['‹\u00a0Zurück', 'image001.htm'],
        ['Übersicht', 'index.htm#002'], ['Weiter\u00a0›', 'image003.htm'], ['Details', 'iinfo002.htm']]);
    assert.equal(await page.locator('h1').innerText(), BeachCaption);
    await page.keyboard.press('ArrowRight');
    await page.waitForURL(/image003\.htm$/);
    assert.equal(await page.locator('h1').innerText(), 'Straße');
    await page.keyboard.press('ArrowLeft');
    await page.waitForURL(/image002\.htm$/);
    const swipe = (from, to) => page.evaluate(([from, to]) => {
        const touch = (x) => new Touch({ identifier: 1, target: document.body, clientX: x, clientY: 300 });
        document.body.dispatchEvent(new TouchEvent('touchstart', { touches: [touch(from)], changedTouches: [touch(from)], bubbles: true }));
        document.body.dispatchEvent(new TouchEvent('touchend', { touches: [], changedTouches: [touch(to)], bubbles: true }));
    }, [from, to]);
    await swipe(300, 60);
    await page.waitForURL(/image003\.htm$/);
    await page.waitForLoadState('load');
    await swipe(60, 300);
    await page.waitForURL(/image002\.htm$/);
    await page.waitForLoadState('load');
    await page.keyboard.press('Escape');
    await page.waitForURL(/index\.htm#002$/);
    assert.equal(await page.evaluate(() => document.getElementById(location.hash.slice(1)) !== null), true);
    await page.close();
});

test('Modern: at device scale factor 2 the browser takes the HiDPI twins', async () => {
    const sharpProfile = fs.mkdtempSync(path.join(os.tmpdir(), 'korvo-chromium-'));
    const sharp = await chromium.launchPersistentContext(sharpProfile, {
        executablePath: browserPath, headless: true, viewport: Sizes[0], deviceScaleFactor: 2,
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run'],
    });
    try {
        for (const name of ['index.htm', 'image002.htm', 'iinfo002.htm']) {
            const page = await sharp.newPage();
            await page.goto(modernUrl(name), { waitUntil: 'load' });
            await page.evaluate(() => window.scrollTo(0, document.body.scrollHeight));
            await page.waitForFunction(() => [...document.images].every((image) => image.complete));
            const chosen = await page.evaluate(() => [...document.images].map((image) => decodeURI(image.currentSrc)));
            assert.ok(chosen.length > 0 && chosen.every((source) => source.endsWith('@2x.jpg')), chosen.join(' '));
            await page.close();
        }
    } finally {
        await sharp.close();
        fs.rmSync(sharpProfile, { recursive: true, force: true });
    }
});
